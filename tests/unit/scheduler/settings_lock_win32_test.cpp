// Loading settings while another process holds ClientConfig.hdb open without
// sharing: the load waits and retries, and gives up after its attempts.
#include "scheduler/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "client_config_file.h"
#include "scheduler/temp_directory.h"

namespace {

using testconfig::Key;
using testconfig::Node;
using testconfig::Root;
using testconfig::Set;

// Holds a file open exclusively on its own thread until told to let go (or
// until a generous bound passes, so that a failing test cannot hang).
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::string& path) : path_(path) {
    locked_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(locked_, kBoundMilliseconds);
  }
  ~ExclusiveLock() {
    Release();
    WaitForSingleObject(thread_, kBoundMilliseconds);
    CloseHandle(thread_);
    CloseHandle(locked_);
    CloseHandle(release_);
  }
  bool Held() const { return held_; }
  void Release() { SetEvent(release_); }

 private:
  static const DWORD kBoundMilliseconds = 60000;
  static DWORD WINAPI Run(LPVOID self) {
    ExclusiveLock* lock = static_cast<ExclusiveLock*>(self);
    HANDLE file = CreateFileA(lock->path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    lock->held_ = file != INVALID_HANDLE_VALUE;
    SetEvent(lock->locked_);
    WaitForSingleObject(lock->release_, kBoundMilliseconds);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
  }

  std::string path_;
  HANDLE locked_;
  HANDLE release_;
  HANDLE thread_;
  volatile bool held_ = false;
};

ExclusiveLock* g_lock = nullptr;
int g_sleeps = 0;
int g_releaseAfter = 0;

// Really waits, and lets the lock go once the load has failed often enough.
void SleepThenMaybeRelease(unsigned milliseconds) {
  ++g_sleeps;
  if (g_lock != nullptr && g_sleeps == g_releaseAfter) g_lock->Release();
  Sleep(milliseconds);
}

void CountOnly(unsigned) { ++g_sleeps; }

class LockedSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeBackupSetList();
    SettleTime = DefaultSettleTime;
    g_sleeps = 0;
    path_ = dir_.File("ClientConfig.hdb");
    ASSERT_TRUE(testconfig::WriteDatabase(
        path_, Root({Node("SchedulerPreferences", {Key("SettleTime", "11")}),
                     Node("Backup Set List", {Set("1", {{"Name", "Locked"}})})})));
  }
  void TearDown() override {
    g_lock = nullptr;
    FreeBackupSetList();
  }
  testsupport::TempDirectory dir_;
  std::string path_;
};

TEST_F(LockedSettings, SucceedsOnALaterAttemptOnceTheLockIsGone) {
  ExclusiveLock lock(path_);
  ASSERT_TRUE(lock.Held());
  g_lock = &lock;
  g_releaseAfter = 5;
  EXPECT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), SleepThenMaybeRelease));
  EXPECT_GE(g_sleeps, g_releaseAfter);
  EXPECT_LT(g_sleeps, DatabaseOpenAttempts);
  EXPECT_EQ(11, SettleTime);
  ASSERT_NE(nullptr, BackupSetList);
  EXPECT_STREQ("Locked", BackupSetList->Name);
}

TEST_F(LockedSettings, GivesUpAfterTheLastAttemptAndKeepsWhatWasLoaded) {
  ASSERT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountOnly));
  const BackupSetEntry* kept = BackupSetList;
  SettleTime = 3;
  g_sleeps = 0;
  ExclusiveLock lock(path_);
  ASSERT_TRUE(lock.Held());
  EXPECT_EQ(-1, LoadSettingsFromDatabase(path_.c_str(), CountOnly));
  EXPECT_EQ(DatabaseOpenAttempts - 1, g_sleeps);
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(3, SettleTime);
}

}  // namespace
