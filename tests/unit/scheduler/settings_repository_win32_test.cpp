// LoadSettings and CheckConfigChanged through the real repository lookup: a
// program folder with RepositoryConfig.txt, a repository folder and its
// ClientConfig.hdb.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "client_config_file.h"
#include "common/program_messages.h"
#include "program_watch_win32.h"
#include "scheduler/repository.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/settings_repository.h"

namespace {

using testconfig::Key;
using testconfig::Node;
using testconfig::Root;
using testconfig::Set;

class SettingsFromRepository : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRepositoryState();
    SetDriveProbe(nullptr);
    FreeBackupSetList();
    Preferences = SchedulerPreferences();
    LoadedConfigTime = 0;
    install_ = testwatch::MakeTempFolder("install");
    repository_ = testwatch::MakeTempFolder("repo");
    snprintf(ProgramDirectory, sizeof ProgramDirectory, "%s", install_.c_str());
    std::string text = "[Repository]\r\nPath=" + repository_ + "\r\n";
    ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", text));
    database_ = repository_ + "\\ClientConfig.hdb";
  }
  void TearDown() override {
    FreeBackupSetList();
    DeleteFileA(database_.c_str());
    DeleteFileA((database_ + ".mirror").c_str());
    ResetRepositoryState();
  }
  bool WriteConfig(const char* settle) {
    DeleteFileA(database_.c_str());
    return testconfig::WriteDatabase(
        database_, Root({Node("SchedulerPreferences", {Key("SettleTime", settle)}),
                         Node("Backup Set List", {Set("4", {{"Name", "Photos"}})})}));
  }
  // Drains this thread's queue and says whether a reload request was in it.
  static bool ThreadGotReload() {
    MSG msg;
    bool found = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.hwnd == nullptr && msg.message == tw::kMsgReloadSettings) found = true;
    return found;
  }

  std::string install_;
  std::string repository_;
  std::string database_;
};

TEST_F(SettingsFromRepository, LoadsFromTheRepositoryAndForcesTheNextEvaluation) {
  ASSERT_TRUE(WriteConfig("12"));
  Scheduler.LastEvaluatedMinute = 17;
  EXPECT_EQ(0, LoadSettings());
  EXPECT_EQ(-1, Scheduler.LastEvaluatedMinute);
  EXPECT_EQ(12, Preferences.SettleTime);
  ASSERT_NE(nullptr, BackupSetList);
  EXPECT_EQ(4, BackupSetList->SetNumber);
  EXPECT_STREQ("Photos", BackupSetList->Name);
  EXPECT_NE(0u, LoadedConfigTime);
}

TEST_F(SettingsFromRepository, AFailedLoadDoesNotMakeTheMinuteEvaluateAgain) {
  Scheduler.LastEvaluatedMinute = 17;
  EXPECT_EQ(-1, LoadSettings());  // the repository is there, its file is not
  EXPECT_EQ(17, Scheduler.LastEvaluatedMinute);
  EXPECT_EQ(nullptr, BackupSetList);
  ASSERT_TRUE(testwatch::WriteText(database_, ""));  // an empty file: no database
  EXPECT_EQ(-1, LoadSettings());
  EXPECT_EQ(17, Scheduler.LastEvaluatedMinute);
}

TEST_F(SettingsFromRepository, OfflineRepositoryChangesNothing) {
  ASSERT_TRUE(WriteConfig("12"));
  ASSERT_EQ(0, LoadSettings());
  const BackupSetEntry* kept = BackupSetList;
  std::string gone = repository_ + "\\NotThere";
  std::string text = "[Repository]\r\nPath=" + gone + "\r\n";
  ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", text));
  ResetRepositoryState();
  Scheduler.LastEvaluatedMinute = 17;
  Preferences.SettleTime = 3;
  EXPECT_EQ(-1, LoadSettings());
  EXPECT_EQ(17, Scheduler.LastEvaluatedMinute);
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(3, Preferences.SettleTime);
}

TEST_F(SettingsFromRepository, ChangeCheckNeverPostsToAThreadWithoutTheWindow) {
  // Before the scheduler's window exists there is nobody to tell; a post to a
  // null window would land in this thread's own queue instead.
  ASSERT_EQ(nullptr, SchedulerWindow());
  ASSERT_TRUE(WriteConfig("12"));
  LoadedConfigTime = 1;  // differs from the file's time
  ThreadGotReload();
  CheckConfigChanged(GetTickCount());
  EXPECT_FALSE(ThreadGotReload());
}

}  // namespace
