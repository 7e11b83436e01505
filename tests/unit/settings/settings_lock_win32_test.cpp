// Loading settings while another process holds ClientConfig.hdb: open without
// sharing, the load waits and retries, and gives up after its attempts; open
// for writing, as the main program keeps it, the load reads it, and the main
// program may open it for writing while a load reads it. The 95/98/ME rule
// for the compatibility mode is in place in every case
// (compatibility_mode_win32.h), so the matrix lanes of those versions see what
// they would on Windows.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "client_config_file.h"
#include "compatibility_mode_win32.h"
#include "database/file_snapshot.h"
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

// The main program's writer: the file open for reading and writing, letting
// others only read.
class WriterHandle {
 public:
  explicit WriterHandle(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~WriterHandle() {
    if (Held()) CloseHandle(handle_);
  }
  WriterHandle(const WriterHandle&) = delete;
  WriterHandle& operator=(const WriterHandle&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

int g_writerTries = 0;
int g_writerOpens = 0;

// Called while the load has the file open, between its two reads.
void OpenForWritingNow(const char* path) {
  ++g_writerTries;
  WriterHandle writer(path);
  if (writer.Held()) ++g_writerOpens;
}

class LockedSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    g_writerTries = g_writerOpens = 0;
    FreeBackupSetList();
    Preferences = SchedulerPreferences();
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
  testsharing::CompatibilityModeAs9x compatibility_;
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
  EXPECT_EQ(11, Preferences.SettleTime);
  ASSERT_NE(nullptr, BackupSetList);
  EXPECT_STREQ("Locked", BackupSetList->Name);
}

TEST_F(LockedSettings, GivesUpAfterTheLastAttemptAndKeepsWhatWasLoaded) {
  ASSERT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountOnly));
  const BackupSetEntry* kept = BackupSetList;
  Preferences.SettleTime = 3;
  g_sleeps = 0;
  ExclusiveLock lock(path_);
  ASSERT_TRUE(lock.Held());
  EXPECT_EQ(-1, LoadSettingsFromDatabase(path_.c_str(), CountOnly));
  EXPECT_EQ(9, g_sleeps) << "ten attempts, a wait between each two";
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(3, Preferences.SettleTime);
}

// On 95/98/ME a reader that let others only read met the main program's open
// for writing, fell back to the compatibility mode, which that open refuses
// there, and every load reported the file held: the tray showed offline.
TEST_F(LockedSettings, LoadsWhileTheMainProgramHasTheFileOpenForWriting) {
  WriterHandle writer(path_);
  ASSERT_TRUE(writer.Held());
  SettingsLoadResult why = SettingsLoadResult::Missing;
  EXPECT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountOnly, &why));
  EXPECT_EQ(SettingsLoadResult::Loaded, why);
  EXPECT_EQ(0, g_sleeps);
  EXPECT_EQ(11, Preferences.SettleTime);
}

// A save that the main program begins during a load opens the file for
// writing, which a reader denying writes made fail (on every version).
TEST_F(LockedSettings, TheMainProgramOpensTheFileForWritingDuringALoad) {
  SetSnapshotReadHook(OpenForWritingNow);
  const int loaded = LoadSettingsFromDatabase(path_.c_str(), CountOnly);
  SetSnapshotReadHook(nullptr);
  EXPECT_EQ(0, loaded);
  ASSERT_GT(g_writerTries, 0);
  EXPECT_EQ(g_writerTries, g_writerOpens);
}

}  // namespace
