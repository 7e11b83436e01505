// The timer tick and the tray icon's state, called directly on this thread
// with the clock passed in: settle time, the once-per-minute gate, start-up,
// schedule and connect triggers, and what the icon shows. Launches are seen by
// a window of the assistant's class owned by the test, which is where the
// scheduler hands every set first.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "client_config_file.h"
#include "notification_area_win32.h"
#include "program_watch_win32.h"
#include "schedule/missed_runs.h"
#include "scheduler/repository.h"
#include "scheduler/repository_worker.h"
#include "scheduler/run_claim.h"
#include "scheduler/scheduler_process.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/session_identity.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
#include "scheduler/tray_icon.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "settings/settings.h"
#include "wine_drives.h"

namespace {

const unsigned long kMinute = 60000;

// Collects the set numbers the scheduler hands to "the assistant".
class AssistantStandIn {
 public:
  AssistantStandIn() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CobaltineSchedulerAssistantClass";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    received().clear();
  }
  ~AssistantStandIn() {
    DestroyWindow(window_);
    UnregisterClassA("CobaltineSchedulerAssistantClass", GetModuleHandleA(nullptr));
  }
  // Set numbers handed over since the last call.
  std::vector<int> Take() {
    MSG m;
    while (PeekMessageA(&m, window_, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    std::vector<int> got;
    got.swap(received());
    return got;
  }

 private:
  static std::vector<int>& received() {
    static std::vector<int> r;
    return r;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER) {
      received().push_back(static_cast<int>(lp));
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  HWND window_;
};

PackedTime At(int y, int mo, int d, int h, int mi, int s = 0) {
  DateTimeParts p = {y, mo, d, h, mi, s};
  return DateTimeUtil::PackTime(p);
}

// Due at every evaluated minute: every 0 minutes, all day, every weekday.
testconfig::Keys EveryMinuteSet() {
  return {{"Name", "every minute"},     {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
          {"ScheduleScheduledType", "1"}, {"ScheduleDaysFlags", "127"}, {"ScheduleAllDayFlag", "1"},
          {"ScheduleFrequency", "0"}};
}

// Once a day at hour:minute, every weekday.
testconfig::Keys DailySet(const char* hour, const char* minute) {
  return {{"Name", "daily"},          {"ScheduleAutomatic", "1"},        {"SchedulePerScheduleFlag", "1"},
          {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", hour}, {"ScheduleBackupTimeMinute", minute}};
}

class TimerTickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SchedulerTime = new DateTimeUtil();
    ResetRepositoryState();
    ResetRepositoryWorkerState();
    FreeBackupSetList();
    install_ = testwatch::MakeTempFolder("tick");
    snprintf(ProgramDirectory, sizeof ProgramDirectory, "%s", install_.c_str());
    data_ = install_ + "\\data";
    testwatch::MakeFolders(data_);
    Scheduler = SchedulerState();
    Preferences = SchedulerPreferences();
    Preferences.PromptBeforeStarting = 0;
    Preferences.SettleTime = 0;
    StartTickHistory(At(2003, 12, 1, 0, 0), 0);
    PendingSupportLog().Consume(PendingSupportLog().Size());
    ForgetOwnClaims();
  }
  void TearDown() override {
    for (char letter : drives_) RemoveTestDrive(letter);
    FreeBackupSetList();
    delete SchedulerTime;
    SchedulerTime = nullptr;
  }
  void Load(testconfig::ClientConfig& config) {
    ASSERT_TRUE(config.Write(data_ + "\\ClientConfig.hdb"));
    ASSERT_EQ(0, LoadSettings());
  }
  BackupSetEntry* Set(int number) {
    for (BackupSetEntry* e = BackupSetList; e; e = e->next)
      if (e->SetNumber == number) return e;
    return nullptr;
  }

  // The support log's lines since the fixture began, each without its time stamp.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    const std::string text(PendingSupportLog().Data(), PendingSupportLog().Size());
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start + 20, end - start - 20));
    return lines;
  }

  testwatch::NotificationArea shell_;
  AssistantStandIn assistant_;
  std::string install_, data_, drives_;
};

TEST_F(TimerTickTest, NothingHappensWithinTheSettleTime) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "5"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("1", testconfig::DueNowSet("due"));
  Load(config);
  ASSERT_EQ(5, Preferences.SettleTime);
  PackedTime now = At(2003, 12, 8, 14, 30);
  TimerTickAt(2 * kMinute, now);
  TimerTickAt(4 * kMinute + 59000, now + 60);
  EXPECT_TRUE(assistant_.Take().empty());
  TimerTickAt(5 * kMinute, now + 120);
  EXPECT_EQ(std::vector<int>{1}, assistant_.Take());
}

TEST_F(TimerTickTest, AWrappedMillisecondCounterSkipsTheSettleTest) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "5"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("1", testconfig::DueNowSet("due"));
  Load(config);
  Scheduler.LastTick = 0xFFFF0000UL;
  TimerTickAt(1000, At(2003, 12, 8, 14, 30));
  EXPECT_EQ(std::vector<int>{1}, assistant_.Take());
}

// Once settled, the scheduler stays settled: neither a negative settle time
// nor the millisecond counter wrapping after 49.7 days blanks it again.
TEST_F(TimerTickTest, SettleTimeOnlyBlanksTheMinutesAfterStart) {
  const struct {
    const char* settle;
    std::vector<unsigned long> uptimes;  // one tick per minute
    std::vector<int> launchesPerTick;
  } cases[] = {
      {"5", {2 * kMinute, 10 * kMinute, 1000, 11000, 2 * kMinute}, {0, 1, 1, 1, 1}},
      {"-1", {1000, kMinute + 1000}, {1, 1}},
  };
  PackedTime day = At(2003, 12, 8, 14, 30);
  for (const auto& c : cases) {
    testconfig::ClientConfig config;
    config.Preferences = {{"SettleTime", c.settle}, {"PromptBeforeStarting", "0"}};
    config.AddSet("1", EveryMinuteSet());
    Load(config);
    Scheduler.LastTick = 0;
    Scheduler.SettleTimePassed = false;
    const PackedTime now = day;
    day += 86400;  // a later day for each case: the set's last run carries over
    for (size_t i = 0; i < c.uptimes.size(); ++i) {
      TimerTickAt(c.uptimes[i], now + 60 * static_cast<PackedTime>(i));
      EXPECT_EQ(static_cast<size_t>(c.launchesPerTick[i]), assistant_.Take().size())
          << "SettleTime " << c.settle << ", tick " << i;
    }
  }
}

TEST_F(TimerTickTest, EachMinuteIsEvaluatedOnce) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("2", EveryMinuteSet());
  Load(config);
  PackedTime now = At(2003, 12, 8, 14, 30, 5);
  TimerTickAt(10 * kMinute, now);
  TimerTickAt(10 * kMinute + 10000, now + 10);
  TimerTickAt(10 * kMinute + 20000, now + 20);
  EXPECT_EQ(std::vector<int>{2}, assistant_.Take());
  EXPECT_EQ(now, Set(2)->LastRunTime);
  TimerTickAt(11 * kMinute, now + 60);
  EXPECT_EQ(std::vector<int>{2}, assistant_.Take());
}

// Another user's scheduler on the same repository claimed the minute first:
// the run is left to it, and the next minute is this one's again.
TEST_F(TimerTickTest, ARunAnotherSessionClaimedIsLeftToIt) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("2", EveryMinuteSet());
  Load(config);
  const std::string claims = data_ + "\\Logs\\Claims";
  testwatch::MakeFolders(claims);
  ASSERT_TRUE(testwatch::WriteText(claims + "\\Set2-200312081430-run.claim", "another session"));
  PackedTime now = At(2003, 12, 8, 14, 30, 5);
  TimerTickAt(10 * kMinute, now);
  EXPECT_TRUE(assistant_.Take().empty());
  EXPECT_EQ(now, Set(2)->LastRunTime) << "run all the same, elsewhere";
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(log.end(), std::find(log.begin(), log.end(),
                                 "taken 2 \"every minute\" schedule 2003-12-08 14:30: launched by another session"))
      << testing::PrintToString(log);
  TimerTickAt(11 * kMinute, now + 60);
  EXPECT_EQ(std::vector<int>{2}, assistant_.Take());
  EXPECT_NE(std::string::npos, testwatch::ReadText(claims + "\\Set2-200312081431-run.claim").find(" run claimed by user "));
}

// A tick exactly whole hours after the last one (standby, a prompt left open)
// is a new minute, and a set due in it runs.
TEST_F(TimerTickTest, ATickWholeHoursLaterIsANewMinute) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("4", DailySet("15", "30"));
  Load(config);
  TimerTickAt(10 * kMinute, At(2003, 12, 8, 14, 30, 5));
  EXPECT_TRUE(assistant_.Take().empty());
  TimerTickAt(70 * kMinute, At(2003, 12, 8, 15, 30, 5));
  EXPECT_EQ(std::vector<int>{4}, assistant_.Take());
}

TEST_F(TimerTickTest, StartupSetRunsOncePerDay) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  PackedTime yesterday = At(2003, 12, 7, 9, 0);
  config.AddSet("3", {{"Name", "at start-up"}, {"ScheduleAtStartupFlag", "1"},
                      {"LastRunDateTime", std::to_string(yesterday)}});
  Load(config);
  PackedTime now = At(2003, 12, 8, 8, 15);
  TimerTickAt(10 * kMinute, now);
  EXPECT_EQ(std::vector<int>{3}, assistant_.Take());
  for (int minute = 1; minute <= 3; ++minute) TimerTickAt((10 + minute) * kMinute, now + 60 * minute);
  EXPECT_TRUE(assistant_.Take().empty());
  // The next day it runs again.
  TimerTickAt(20 * kMinute, At(2003, 12, 9, 0, 0));
  EXPECT_EQ(std::vector<int>{3}, assistant_.Take());
}

TEST_F(TimerTickTest, OfflineRepositoryShowsTheOfflineIconAndLaunchesNothing) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("1", testconfig::DueNowSet("due"));
  Load(config);
  testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=q:\\nowhere\r\n");
  TimerTickAt(10 * kMinute, At(2003, 12, 8, 14, 30));
  EXPECT_TRUE(assistant_.Take().empty());
  EXPECT_EQ("Backup media offline", shell_.Tip());
}

// The repository folder goes away and comes back with no drive letter
// changing (media in a drive that stays, a mapped share, a renamed folder).
TEST_F(TimerTickTest, RepositoryBackWithoutADriveChangeIsOnlineAndConnects) {
  std::string repo = testwatch::MakeTempFolder("media");
  std::string away = repo + ".away";
  testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=" + repo + "\r\n");
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("6", {{"Name", "on connect"}, {"ScheduleAtConnectFlag", "1"}});
  ASSERT_TRUE(config.Write(repo + "\\ClientConfig.hdb"));
  ASSERT_EQ(0, LoadSettings());

  PackedTime now = At(2003, 12, 8, 14, 30);
  TimerTickAt(10 * kMinute, now);
  ASSERT_TRUE(MoveFileA(repo.c_str(), away.c_str()));
  TimerTickAt(11 * kMinute, now + 60);
  EXPECT_EQ("Backup media offline", shell_.Tip());
  EXPECT_EQ(OfflineTrayIcon, CurrentTray().Icon);

  ASSERT_TRUE(MoveFileA(away.c_str(), repo.c_str()));
  TimerTickAt(11 * kMinute + 10000, now + 70);
  EXPECT_EQ(std::vector<int>{6}, assistant_.Take());
  EXPECT_NE("Backup media offline", shell_.Tip());
  EXPECT_EQ(NormalTrayIcon, CurrentTray().Icon);
  TimerTickAt(12 * kMinute, now + 120);
  EXPECT_TRUE(assistant_.Take().empty()) << "one return, one connect launch";
}

// A next time that passed without a launch (the minute was never evaluated)
// does not stay in the tooltip.
TEST_F(TimerTickTest, APassedNextTimeLeavesTheTooltip) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("5", DailySet("14", "31"));
  Load(config);
  TimerTickAt(10 * kMinute, At(2003, 12, 8, 14, 30));
  TrayModify(true, At(2003, 12, 8, 14, 31));
  TimerTickAt(30 * kMinute, At(2003, 12, 8, 14, 50));  // 14:31 slept through
  EXPECT_TRUE(assistant_.Take().empty());
  char expected[64];
  ComposeTooltip(At(2003, 12, 9, 14, 31), expected, sizeof expected);
  EXPECT_EQ(expected, shell_.Tip());
}

// Set back a day after the daily run: nothing runs again, and the tooltip
// names what 1031 answers (the run after the stored one), not a stale time.
TEST_F(TimerTickTest, AClockSetBackRunsNothingAgainAndTheTooltipFollows) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("5", DailySet("14", "31"));
  config.AddSet("6", {{"Name", "at start-up"}, {"ScheduleAtStartupFlag", "1"}});
  Load(config);
  TimerTickAt(10 * kMinute, At(2003, 12, 9, 14, 31));
  EXPECT_EQ((std::vector<int>{5, 6}), assistant_.Take());
  TrayModify(true, At(2003, 12, 10, 14, 31));
  for (int minute = 0; minute < 3; ++minute)
    TimerTickAt((11 + minute) * kMinute, At(2003, 12, 8, 14, 30 + minute));
  EXPECT_TRUE(assistant_.Take().empty());
  char expected[64];
  ComposeTooltip(At(2003, 12, 10, 14, 31), expected, sizeof expected);
  EXPECT_EQ(expected, shell_.Tip());
  // Moved on across the end of November: the line names the time the clock
  // should have shown, on the real calendar.
  TimerTickAt(20 * kMinute, At(2003, 11, 30, 23, 59, 30));
  TimerTickAt(21 * kMinute, At(2003, 12, 1, 5, 0));
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "clock 2003-12-01 00:00:30 -> 2003-12-01 05:00:00"))
      << testing::PrintToString(log);
}

// A daily run the computer slept through is told once (a balloon and a log
// line); with RunMissedBackups 1 it runs at once, with 0 it does not. A run
// due while the scheduler's own thread was busy runs either way.
TEST_F(TimerTickTest, MissedDailyRunsAreToldOnceAndMadeUpWhenAsked) {
  for (const char* runMissed : {"0", "1"}) {
    SCOPED_TRACE(std::string("RunMissedBackups ") + runMissed);
    testconfig::ClientConfig config;
    config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}, {"RunMissedBackups", runMissed}};
    config.AddSet("4", DailySet("22", "0"));
    testconfig::Keys held = DailySet("22", "5");
    held[0].second = "held";
    config.AddSet("7", held);
    Load(config);
    StartTickHistory(At(2003, 12, 8, 21, 49), 0);
    PendingSupportLog().Consume(PendingSupportLog().Size());
    shell_.Clear();
    TimerTickAt(10 * kMinute, At(2003, 12, 8, 21, 59));
    Scheduler.History.NoteStretch(StretchKind::OwnWait, At(2003, 12, 8, 22, 4, 50), At(2003, 12, 8, 22, 6, 10));
    TimerTickAt(41 * kMinute, At(2003, 12, 8, 22, 30));  // 22:00 slept through
    std::vector<int> expected = {7};
    if (runMissed[0] == '1') expected.insert(expected.begin(), 4);
    EXPECT_EQ(expected, assistant_.Take());
    ASSERT_EQ(1u, shell_.Balloons().size());
    EXPECT_NE(std::string::npos, shell_.Balloons()[0].find("\"daily\" did not run at")) << shell_.Balloons()[0];
    const std::vector<std::string> log = LogLines();
    const std::string missed = std::string("missed 4 \"daily\" 2003-12-08 22:00 1 asleep; ") +
                               (runMissed[0] == '1' ? "made up now" : "not made up") + "; told \"" +
                               SessionUserName() + "\"";
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), missed)) << testing::PrintToString(log);
    TimerTickAt(42 * kMinute, At(2003, 12, 8, 22, 31));
    EXPECT_TRUE(assistant_.Take().empty());
    EXPECT_EQ(1u, shell_.Balloons().size()) << "told once";
    FreeBackupSetList();
  }
}

// A shell older than version 5 has no balloons: the notice stands in the
// tooltip until the user has pointed at the icon.
TEST_F(TimerTickTest, OnAnOlderShellTheTooltipTellsOfAMissedRunUntilSeen) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  TrayAdd(window);
  SetShellMajorVersion(4);
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("4", DailySet("22", "0"));
  Load(config);
  StartTickHistory(At(2003, 12, 8, 21, 49), 0);
  TimerTickAt(10 * kMinute, At(2003, 12, 8, 21, 59));
  TimerTickAt(41 * kMinute, At(2003, 12, 8, 22, 30));
  EXPECT_TRUE(shell_.Balloons().empty());
  EXPECT_EQ(0u, shell_.Tip().find("Missed \"daily\" ")) << shell_.Tip();
  EXPECT_NE(std::string::npos, shell_.Tip().find(", not made up")) << shell_.Tip();
  EXPECT_LE(shell_.Tip().size(), 63u);
  TimerTickAt(42 * kMinute, At(2003, 12, 8, 22, 31));
  EXPECT_EQ(0u, shell_.Tip().find("Missed")) << "not seen yet";
  TrayNoticeSeen();
  TimerTickAt(43 * kMinute, At(2003, 12, 8, 22, 32));
  EXPECT_EQ(0u, shell_.Tip().find("Next backup at ")) << shell_.Tip();
  SetShellMajorVersion(0);
  TrayRemove();
  DestroyWindow(window);
}

TEST_F(TimerTickTest, ReturningRepositoryStartsOnlyTheFirstConnectSet) {
  std::string disk = testwatch::MakeTempFolder("disk");
  testwatch::MakeFolders(disk + "\\Backups");
  testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=k:\\Backups\r\n");
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("8", {{"Name", "first"}, {"ScheduleAtConnectFlag", "1"}});
  config.AddSet("9", {{"Name", "second"}, {"ScheduleAtConnectFlag", "1"}});
  ASSERT_TRUE(config.Write(disk + "\\Backups\\ClientConfig.hdb"));
  EXPECT_EQ(-1, LoadSettings());  // offline at start

  PackedTime now = At(2003, 12, 8, 14, 30);
  TimerTickAt(10 * kMinute, now);  // first watch only counts the drives
  EXPECT_TRUE(assistant_.Take().empty());

  ASSERT_TRUE(DefineTestDrive('k', disk.c_str(), DRIVE_FIXED));
  drives_ += 'k';
  TimerTickAt(10 * kMinute + 10000, now + 10);
  EXPECT_EQ(std::vector<int>{8}, assistant_.Take());
  EXPECT_NE("Backup media offline", shell_.Tip());
}

// The media watch's drive list as a share that stops answering gives it: the
// first call waits until the test lets it go.
struct HangingProbe {
  static HANDLE release;
  static LONG calls;
  static unsigned long PresentDrives() {
    InterlockedIncrement(&calls);
    WaitForSingleObject(release, INFINITE);
    return GetLogicalDrives();
  }
  static unsigned DriveType(const char* root) { return GetDriveTypeA(root); }
};
HANDLE HangingProbe::release;
LONG HangingProbe::calls;

// A look that hangs keeps the window thread waiting only a moment; past its
// bound the repository counts as offline; no second look starts meanwhile;
// and once it answers the repository is online at the next tick, with the
// connect set run.
TEST_F(TimerTickTest, ALookThatHangsCountsAsOfflineUntilItAnswers) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config.AddSet("8", {{"Name", "on connect"}, {"ScheduleAtConnectFlag", "1"}});
  Load(config);
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  TrayAdd(window);
  PackedTime now = At(2003, 12, 8, 14, 30);
  TimerTickAt(10 * kMinute, now);  // the first watch counts the drives

  HangingProbe::release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HangingProbe::calls = 0;
  const DriveProbe hanging = {HangingProbe::PresentDrives, HangingProbe::DriveType};
  SetDriveProbe(&hanging);
  StartRepositoryWorker();
  const DWORD began = GetTickCount();
  TimerTickAt(11 * kMinute, now += 60);
  EXPECT_LT(GetTickCount() - began, kRepositoryStuckMs) << "the tick waited for the look";
  EXPECT_NE("Backup media offline", shell_.Tip()) << "offline before the bound";
  EXPECT_TRUE(testwatch::PollUntil([&] {
    TimerTickAt(12 * kMinute, now += 1);
    return shell_.Tip() == "Backup media offline";
  }, 10000));
  EXPECT_EQ(1, HangingProbe::calls) << "a second look started while one hung";
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "offline " + data_)) << testing::PrintToString(log);

  SetEvent(HangingProbe::release);
  EXPECT_TRUE(testwatch::PollUntil([&] {
    TimerTickAt(13 * kMinute, now += 1);
    return shell_.Tip().find("Next backup at") == 0 || shell_.Tip() == "Tickwarden";
  }, 10000)) << shell_.Tip();
  EXPECT_EQ(std::vector<int>{8}, assistant_.Take());
  EXPECT_TRUE(StopRepositoryWorker(10000));
  SetDriveProbe(nullptr);
  CloseHandle(HangingProbe::release);
  TrayRemove();
  DestroyWindow(window);
}

// A busy shell gives up on the first adds: a change of the icon adds it, and
// so do the next ticks, with what it should show by then.
TEST_F(TimerTickTest, AnIconTheShellRefusedIsAddedAgain) {
  testconfig::ClientConfig config;
  config.Preferences = {{"SettleTime", "5"}, {"PromptBeforeStarting", "0"}};
  Load(config);
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  shell_.RefuseAdds(3);
  TrayAdd(window);
  TrayModify(false, 0);
  EXPECT_FALSE(shell_.Shown());
  TimerTickAt(kMinute, At(2003, 12, 8, 14, 30));  // within the settle time: only the icon
  EXPECT_FALSE(shell_.Shown());
  EXPECT_EQ(3, shell_.RefusedAdds());
  TimerTickAt(kMinute + 10000, At(2003, 12, 8, 14, 30, 10));
  ASSERT_TRUE(shell_.Shown());
  EXPECT_EQ("Backup media offline", shell_.Tip());
  EXPECT_EQ(OfflineTrayIcon, CurrentTray().Icon);
  TrayTip(0);  // once there, a change is a change
  EXPECT_EQ(NIM_MODIFY, shell_.Calls().back().Action);
  EXPECT_EQ("Tickwarden", shell_.Tip());
  // A shell that lost the icon (it refuses the change) gets it back at the next tick.
  shell_.Clear();
  TrayTip(0);
  TimerTickAt(kMinute + 20000, At(2003, 12, 8, 14, 30, 20));
  EXPECT_TRUE(shell_.Shown());
  EXPECT_EQ("Tickwarden", shell_.Tip());
  TrayRemove();
  TimerTickAt(kMinute + 30000, At(2003, 12, 8, 14, 30, 30));
  EXPECT_FALSE(shell_.Shown()) << "nothing adds it back after the exit took it away";
  DestroyWindow(window);
}

TEST_F(TimerTickTest, TrayShowsOfflineIdleAndNextTime) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  TrayAdd(window);  // no data folder content: ClientConfig missing, but the folder exists
  EXPECT_TRUE(shell_.Shown());
  EXPECT_EQ("Tickwarden", shell_.Tip());

  testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=q:\\nowhere\r\n");
  TrayReadd(window);
  EXPECT_EQ("Backup media offline", shell_.Tip());
  EXPECT_EQ(OfflineTrayIcon, CurrentTray().Icon);

  TrayModify(true, At(2003, 12, 8, 22, 0));
  EXPECT_EQ(0u, shell_.Tip().find("Next backup at ")) << shell_.Tip();
  EXPECT_NE(std::string::npos, shell_.Tip().find("2003")) << shell_.Tip();
  EXPECT_EQ(NormalTrayIcon, CurrentTray().Icon);
  TrayTip(0);
  EXPECT_EQ("Tickwarden", shell_.Tip());
  TrayRemove();
  EXPECT_FALSE(shell_.Shown());
  DestroyWindow(window);
}

}  // namespace
