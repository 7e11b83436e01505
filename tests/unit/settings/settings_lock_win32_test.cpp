// Loading settings while another process holds ClientConfig.hdb open without
// sharing: the load waits and retries, and gives up after its attempts.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "client_config_file.h"
#include "exclusive_lock_win32.h"
#include "temp_directory.h"

namespace {

using testwatch::ExclusiveLock;

using testconfig::Key;
using testconfig::Node;
using testconfig::Root;
using testconfig::Set;

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
