// Routes to the main program with the real stand-in Cobaltine.exe beside this
// test binary: posting to its window when it runs, starting it with the exact
// command line otherwise, and the wait for its window after a start.
#include "common/main_program_launch.h"

#include <gtest/gtest.h>
#include <limits.h>

#include <string>

#include "../../support/program_watch_win32.h"
#include "common/program_messages.h"
#include "common/started_process.h"

namespace {

using testwatch::CountLines;
using testwatch::ReadText;

class MainProgramLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testwatch::ProgramDirectory();
    exe_ = dir_ + "\\" + tw::kMainProgramFile;
    ASSERT_TRUE(testwatch::FileExists(exe_)) << "build the Cobaltine stand-in target: " << exe_;
    testwatch::EndProcessesNamed(tw::kMainProgramFile);
    ASSERT_EQ(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));
    folder_ = testwatch::MakeTempFolder("mpl");
    log_ = folder_ + "\\standin.log";
    SetEnvironmentVariableA("COBALTINE_LOG", log_.c_str());
    SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", nullptr);
    SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", nullptr);
  }

  void TearDown() override {
    testwatch::EndProcessesNamed(tw::kMainProgramFile);
    SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", nullptr);
    SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", nullptr);
    testwatch::Wipe(folder_);
  }

  // The stand-in started by the test itself, shown normally, with its window up.
  HWND RunStandIn() {
    StartedProcess process;
    std::string line = "\"" + exe_ + "\"";
    if (process.Start(exe_.c_str(), line.c_str(), SW_SHOWNORMAL) != 0) return nullptr;
    return testwatch::WaitForWindow(tw::kMainProgramClass);
  }

  std::string Quoted() const { return "\"" + exe_ + "\""; }

  std::string dir_, exe_, folder_, log_;
};

TEST_F(MainProgramLaunch, BackupSetStartsTheProgramMinimizedAndReturnsOnceItsWindowExists) {
  EXPECT_EQ(kStartedProgram,
            HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, -5));
  EXPECT_NE(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));
  std::string log = ReadText(log_);
  EXPECT_EQ(1, CountLines(log, "start 6 " + Quoted() + " -BackupSet=-5")) << log;
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
}

TEST_F(MainProgramLaunch, BackupSetWaitsForAWindowThatComesLate) {
  SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", "1500");
  EXPECT_EQ(kStartedProgram,
            HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 7));
  // Returned because the window appeared, not because the start went off.
  EXPECT_NE(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));
  EXPECT_EQ(1, CountLines(ReadText(log_), "start 6 " + Quoted() + " -BackupSet=7"));
}

TEST_F(MainProgramLaunch, BackupSetStopsWaitingWhenTheProgramEndsWithoutAWindow) {
  SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", "1");
  EXPECT_EQ(kStartedProgram,
            HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 0));
  // The program had ended by the return, so its last line is already written.
  std::string log = ReadText(log_);
  EXPECT_EQ(1, CountLines(log, "start 6 " + Quoted() + " -BackupSet=0")) << log;
  EXPECT_EQ(1, CountLines(log, "exit")) << log;
  EXPECT_EQ(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));
}

TEST_F(MainProgramLaunch, BackupSetPostsToTheRunningProgramAndStartsNothing) {
  ASSERT_NE(nullptr, RunStandIn());
  EXPECT_EQ(kHandedToRunningProgram,
            HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 7));
  EXPECT_EQ(kHandedToRunningProgram,
            HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, INT_MIN));
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
  ASSERT_TRUE(testwatch::WaitForLine(log_, "msg 33568 1 -2147483648"));
  std::string log = ReadText(log_);
  EXPECT_EQ(1, CountLines(log, "msg 33568 1 7")) << log;
  EXPECT_EQ(1, CountLines(log, "start 1 " + Quoted())) << log;  // the test's own start only
}

// Windows hands a child the error mode of its parent unless the start asks
// for the default (Wine never does): the error mode the program would begin
// with there, and this process's own mode afterwards.
UINT g_childMode;
BOOL WINAPI StartAsWindowsWould(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta,
                                BOOL inherit, DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si,
                                LPPROCESS_INFORMATION pi) {
  const UINT mode = SetErrorMode(0);
  SetErrorMode(mode);
  g_childMode = (flags & CREATE_DEFAULT_ERROR_MODE) ? 0 : mode;
  return CreateProcessA(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

TEST_F(MainProgramLaunch, TheProgramStartsWithTheDefaultErrorModeNotOurs) {
  const UINT saved = SetErrorMode(SEM_FAILCRITICALERRORS);
  CreateProcessForStart = StartAsWindowsWould;
  g_childMode = 99;
  const int started = HandBackupSetToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 3);
  CreateProcessForStart = CreateProcessA;
  const UINT after = SetErrorMode(saved);
  EXPECT_EQ(kStartedProgram, started);
  EXPECT_EQ(0u, g_childMode) << "the program would show no \"insert a disk\" box";
  EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), after) << "our own mode stays";
}

TEST_F(MainProgramLaunch, AFailedOrImpossibleStartIsReportedToTheCaller) {
  // No Cobaltine.exe in that folder: the wait ends at once, nothing runs.
  EXPECT_EQ(-1, HandBackupSetToMainProgram(folder_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 7));
  EXPECT_EQ(-1, HandActionToMainProgram(folder_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, tw::Open));
  // A directory too long for a path is refused rather than cut to another one.
  std::string longDir = dir_ + "\\" + std::string(260, 'x');
  EXPECT_EQ(-1, HandBackupSetToMainProgram(longDir.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 7));
  EXPECT_EQ(-1, HandActionToMainProgram(longDir.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, 1));
  EXPECT_EQ(0, testwatch::CountProcessesNamed(tw::kMainProgramFile));
}

TEST_F(MainProgramLaunch, ActionsStartTheProgramWithTheirSwitchAndNoShowState) {
  EXPECT_EQ(kStartedProgram,
            HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, tw::BackupAll));
  ASSERT_TRUE(testwatch::WaitForLine(log_, "start -1 " + Quoted() + " -BackupAll")) << ReadText(log_);
  ASSERT_NE(nullptr, testwatch::WaitForWindow(tw::kMainProgramClass));
  testwatch::EndProcessesNamed(tw::kMainProgramFile);

  EXPECT_EQ(kStartedProgram, HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile,
                                                     tw::BackupAllAndShutdown));
  ASSERT_TRUE(testwatch::WaitForLine(log_, "start -1 " + Quoted() + " -BackupAllAndShutdown"));
  ASSERT_NE(nullptr, testwatch::WaitForWindow(tw::kMainProgramClass));
  testwatch::EndProcessesNamed(tw::kMainProgramFile);

  for (int action : {int(tw::Open), 9}) {
    EXPECT_EQ(kStartedProgram,
              HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, action));
    ASSERT_NE(nullptr, testwatch::WaitForWindow(tw::kMainProgramClass));
    testwatch::EndProcessesNamed(tw::kMainProgramFile);
  }
  EXPECT_EQ(2, CountLines(ReadText(log_), "start -1 " + Quoted())) << ReadText(log_);
}

TEST_F(MainProgramLaunch, ActionsGoToTheRunningProgram) {
  HWND main = RunStandIn();
  ASSERT_NE(nullptr, main);
  EXPECT_EQ(kHandedToRunningProgram,
            HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, tw::BackupAll));
  EXPECT_EQ(kHandedToRunningProgram, HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass,
                                                             tw::kMainProgramFile, tw::BackupAllAndShutdown));
  ASSERT_TRUE(testwatch::WaitForLine(log_, "msg 33568 0 1"));
  EXPECT_EQ(1, CountLines(ReadText(log_), "msg 33568 0 0"));

  // Open (and any unknown action) restores a minimized window.
  for (int action : {int(tw::Open), 9}) {
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(testwatch::PollUntil([&] { return IsIconic(main) != FALSE; }));
    EXPECT_EQ(kHandedToRunningProgram,
              HandActionToMainProgram(dir_.c_str(), tw::kMainProgramClass, tw::kMainProgramFile, action));
    EXPECT_TRUE(testwatch::PollUntil([&] { return !IsIconic(main) && IsWindowVisible(main); }));
  }
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
  std::string log = ReadText(log_);
  EXPECT_EQ(std::string::npos, log.find("msg 33568 0 9")) << log;
  EXPECT_EQ(1, CountLines(log, "start 1 " + Quoted())) << log;
}

}  // namespace
