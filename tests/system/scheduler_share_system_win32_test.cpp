// The running scheduler with its repository on a share that stops answering:
// \\nas\backup\repo is a host folder reached through the prefix's
// dosdevices/unc link, and a library preloaded into Tickwarden's Wine loader
// makes every lookup under it wait and fail while the test raises a flag
// (share_hang_preload.c). The window must keep answering, show the repository
// offline while it hangs, close quickly, and run again once the share answers.
#include "scheduler_fixture_win32.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "notification_area_win32.h"
#include "wine_drives.h"

namespace {

using namespace schedtest;

class SchedulerShareTest : public SchedulerTest {
 protected:
  void SetUp() override {
    const char* preload = getenv("LD_PRELOAD");
    const char* share = getenv("TW_SHARE_HOST");
    const char* flag = getenv("TW_HANG_FLAG");
    if (!preload || !strstr(preload, "share_hang") || !share || !flag) GTEST_SKIP() << "needs the share-hang library and the \\\\nas\\backup link";
    SchedulerTest::SetUp();
    flag_ = OnDriveZ(flag);
    DeleteFileA(flag_.c_str());
    repository_ = OnDriveZ(share) + "\\repo";
    testwatch::Wipe(repository_);
    ASSERT_TRUE(testwatch::MakeFolders(repository_));
    ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=\\\\nas\\backup\\repo\r\n"));
    testconfig::Keys everyMinute = testconfig::DueNowSet("every minute");
    everyMinute.back().second = "0";  // ScheduleFrequency: every evaluated minute
    config_.AddSet("3", everyMinute);
    ASSERT_TRUE(config_.Write(repository_ + "\\ClientConfig.hdb"));
    // The test's own loader has the library too (Wine hands the scheduler
    // its environment): the test never looks at the share while it hangs.
    w_ = StartScheduler();
    ASSERT_NE(nullptr, w_);
  }
  void TearDown() override {
    DeleteFileA(flag_.c_str());
    SchedulerTest::TearDown();
  }
  void Hang(int seconds) { ASSERT_TRUE(testwatch::WriteText(flag_, std::to_string(seconds))); }
  void Answer() { DeleteFileA(flag_.c_str()); }
  std::string SupportLog() const { return ReadText(repository_ + "\\Logs\\Tickwarden.log"); }
  // Ticks until pred holds, as the ten-second timer would, only sooner.
  template <typename Pred>
  bool TickUntil(Pred pred, DWORD ms) {
    return PollUntil([&] {
      PostMessageA(w_, WM_TIMER, 1, 0);
      AnswerTime(w_, 5000);
      return pred();
    }, ms);
  }

  testwatch::NotificationArea shell_;
  std::string flag_, repository_;
  HWND w_ = nullptr;
};

const char kOffline[] = "Backup media offline";

// Seconds each lookup hangs: 10 unless TW_SHARE_HANG_SECONDS says (figures).
int HangSeconds(int otherwise) {
  const char* given = getenv("TW_SHARE_HANG_SECONDS");
  return given && atoi(given) > 0 ? atoi(given) : otherwise;
}

// A minute of a share that holds every lookup 10 s: the window answers every
// message at once, shows the repository offline, and once the share answers
// is online again and runs the every-minute set.
TEST_F(SchedulerShareTest, AHangingShareNeverFreezesTheWindow) {
  ASSERT_TRUE(TickUntil([&] { return SupportLog().find(" online \\\\nas\\backup\\repo") != std::string::npos; }, 30000))
      << SupportLog();
  const int seconds = HangSeconds(10);
  Hang(seconds);
  DWORD worst = 0;
  const DWORD began = GetTickCount();
  while (GetTickCount() - began < 60000) {
    PostMessageA(w_, WM_TIMER, 1, 0);
    PostMessageA(w_, 1028, 0, 0);  // what a changed file makes the tick post
    worst = std::max(worst, AnswerTime(w_, 30000));
    Sleep(500);  // a message every half second, as a user and the shell send them
  }
  printf("[share] worst answer time over a minute of a share that hangs %d s per lookup: %lu ms; tip \"%s\"\n",
         seconds, static_cast<unsigned long>(worst), shell_.Tip().c_str());
  EXPECT_LT(worst, 5000u) << "the window waited on the share";
  EXPECT_EQ(kOffline, shell_.Tip());

  Answer();
  EXPECT_TRUE(TickUntil([&] { return shell_.Tip().find("Next backup") == 0; }, 60000)) << shell_.Tip();
  // Logged: offline while it hung, online once it answered, and the set run again after that.
  EXPECT_TRUE(TickUntil([&] {
    const std::string log = SupportLog();
    const size_t offline = log.find(" offline \\\\nas\\backup\\repo");
    const size_t online = log.find(" online \\\\nas\\backup\\repo", offline == std::string::npos ? log.size() : offline);
    return online != std::string::npos && log.find(" launch 3 ", online) != std::string::npos;
  }, 90000)) << SupportLog();
  const std::string log = SupportLog();
  for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = log.substr(start, end - start);
    if (line.find(" online ") != std::string::npos || line.find(" offline ") != std::string::npos)
      printf("[share] %s\n", line.c_str());
  }
}

// Exit while a lookup hangs for 30 s: the window goes at once and the
// process ends without waiting for the lookup.
TEST_F(SchedulerShareTest, ExitIsQuickWhileALookupHangs) {
  const int seconds = HangSeconds(30);
  Hang(seconds);
  PostMessageA(w_, WM_TIMER, 1, 0);
  ASSERT_TRUE(PollUntil([&] { return shell_.Tip() == kOffline; }, 20000)) << shell_.Tip();
  const DWORD began = GetTickCount();
  PostMessageA(w_, 1026, 0, 0);
  const DWORD code = ExitCodeAfter(scheduler_, 20000);
  const DWORD took = GetTickCount() - began;
  printf("[share] exit with a lookup stuck for %d s: %lu ms\n", seconds, static_cast<unsigned long>(took));
  EXPECT_NE(STILL_ACTIVE, code);
  EXPECT_LT(took, 10000u);
}

}  // namespace
