// Tickwardenaide end to end: the real assistant in a throw-away install folder
// beside the stand-in main program and a scheduler, driven through the window
// messages the scheduler posts and observed through windows, exit codes and
// the stand-ins' logs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assistant/tickwardenaide_ids.h"
#include "common/program_messages.h"
#include "common/started_process.h"
#include "support/program_watch_win32.h"

namespace {

using testwatch::CountLines;
using testwatch::ReadText;

constexpr char kAssistantFile[] = "Tickwardenaide.exe";


// Closes the windows of a class politely, then ends whatever still runs under
// that file name.
void CloseAndEnd(const char* cls, const char* file) {
  HWND wnd;
  while ((wnd = FindWindowA(cls, nullptr)) != nullptr) {
    HANDLE p = testwatch::OpenWindowProcess(wnd);
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    // Its "exit" line counts: room for a loaded machine before ending it.
    bool gone = p && WaitForSingleObject(p, testwatch::kDeadlineMs) == WAIT_OBJECT_0;
    if (!gone && p) TerminateProcess(p, 99), WaitForSingleObject(p, testwatch::kDeadlineMs);
    if (p) CloseHandle(p);
    if (!p) break;
  }
  testwatch::EndProcessesNamed(file);
}

void EndEverything() {
  CloseAndEnd(tw::kAssistantClass, kAssistantFile);
  CloseAndEnd(tw::kMainProgramClass, tw::kMainProgramFile);
  CloseAndEnd(tw::kSchedulerClass, tw::kSchedulerFile);
}

class Assistant : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string bin = testwatch::ProgramDirectory();
    realScheduler_ = testwatch::FileExists(bin + "\\" + tw::kSchedulerFile);
  }

  void SetUp() override {
    EndEverything();
    ASSERT_EQ(nullptr, FindWindowA(tw::kAssistantClass, nullptr));
    ASSERT_EQ(nullptr, FindWindowA(tw::kSchedulerClass, nullptr));
    ASSERT_EQ(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));

    const std::string bin = testwatch::ProgramDirectory();
    folder_ = testwatch::MakeTempFolder("aide");
    ASSERT_TRUE(Copy(bin + "\\" + kAssistantFile, kAssistantFile));
    ASSERT_TRUE(Copy(bin + "\\" + tw::kMainProgramFile, tw::kMainProgramFile));
    ASSERT_TRUE(Copy(bin + (realScheduler_ ? "\\Tickwarden.exe" : "\\TickwardenStandIn.exe"), tw::kSchedulerFile));
    mainLog_ = folder_ + "\\cobaltine.log";
    schedulerLog_ = folder_ + "\\scheduler.log";
    SetEnvironmentVariableA("COBALTINE_LOG", mainLog_.c_str());
    SetEnvironmentVariableA("TICKWARDEN_STANDIN_LOG", schedulerLog_.c_str());
    SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", nullptr);
    SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", nullptr);
  }

  void TearDown() override {
    EndEverything();
    SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", nullptr);
    // TW_KEEP_TEST_FOLDERS=1 keeps the install folder and its logs for a look.
    if (GetEnvironmentVariableA("TW_KEEP_TEST_FOLDERS", nullptr, 0) == 0) testwatch::Wipe(folder_);
  }

  bool Copy(const std::string& from, const char* name) {
    return CopyFileA(from.c_str(), Installed(name).c_str(), FALSE) != FALSE;
  }

  std::string Installed(const char* name) const { return folder_ + "\\" + name; }
  std::string Quoted(const char* name) const { return "\"" + Installed(name) + "\""; }

  // Starts a program of the install folder the way a shortcut would.
  bool Start(StartedProcess& process, const char* name) {
    const std::string path = Installed(name);
    return process.Start(path.c_str(), Quoted(name).c_str(), -1) == 0;
  }

  // The first assistant, with its window up and the scheduler it started.
  HWND RunAssistant() {
    if (!Start(assistant_, kAssistantFile)) return nullptr;
    HWND wnd = testwatch::WaitForWindow(tw::kAssistantClass);
    if (wnd && !testwatch::WaitForWindow(tw::kSchedulerClass)) return nullptr;
    return wnd;
  }

  HWND RunMainProgram() {
    StartedProcess main;
    if (!Start(main, tw::kMainProgramFile)) return nullptr;
    return testwatch::WaitForWindow(tw::kMainProgramClass);
  }

  // Returns once the assistant has finished every message posted before: a
  // sent message is taken only between posted ones.
  static bool Settle(HWND assistant) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(assistant, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
  }

  static bool Post(HWND assistant, UINT msg, LPARAM lp) {
    return PostMessageA(assistant, msg, 0, lp) && Settle(assistant);
  }

  static bool realScheduler_;
  std::string folder_, mainLog_, schedulerLog_;
  StartedProcess assistant_;
};

bool Assistant::realScheduler_ = false;

TEST_F(Assistant, StartsTheMissingSchedulerAndKeepsAHiddenWindow) {
  // The stand-in, whatever the other tests use: it logs the command line.
  ASSERT_TRUE(Copy(testwatch::ProgramDirectory() + "\\TickwardenStandIn.exe", tw::kSchedulerFile));
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  EXPECT_FALSE(IsWindowVisible(wnd));
  char title[64] = "";
  GetWindowTextA(wnd, title, sizeof title);
  EXPECT_STREQ("CobaltineSchedulerAssistant", title);
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kSchedulerFile));
  ASSERT_TRUE(testwatch::WaitForLine(schedulerLog_, "start " + Quoted(tw::kSchedulerFile))) << ReadText(schedulerLog_);
}

TEST_F(Assistant, LeavesARunningSchedulerAlone) {
  StartedProcess scheduler;
  ASSERT_TRUE(Start(scheduler, tw::kSchedulerFile));
  ASSERT_NE(nullptr, testwatch::WaitForWindow(tw::kSchedulerClass));
  ASSERT_NE(nullptr, RunAssistant());
  // The scheduler check comes before the window, so a start would show by now.
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kSchedulerFile));
}

TEST_F(Assistant, ASecondCopyStartsAMissingSchedulerThenExitsWithoutAWindow) {
  ASSERT_NE(nullptr, RunAssistant());
  testwatch::EndProcessesNamed(tw::kSchedulerFile);
  ASSERT_TRUE(testwatch::WaitForNoWindow(tw::kSchedulerClass));

  StartedProcess second;
  ASSERT_TRUE(Start(second, kAssistantFile));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.Process(), testwatch::kDeadlineMs));
  DWORD code = 99;
  GetExitCodeProcess(second.Process(), &code);
  EXPECT_EQ(0u, code);
  EXPECT_EQ(1, testwatch::CountWindowsOfClass(tw::kAssistantClass));
  EXPECT_NE(nullptr, testwatch::WaitForWindow(tw::kSchedulerClass));
}

TEST_F(Assistant, HandsASetToTheRunningMainProgramAndStartsNothing) {
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  ASSERT_NE(nullptr, RunMainProgram());
  ASSERT_TRUE(Post(wnd, tw::kMsgAssistantBackupSet, 7));
  ASSERT_TRUE(Post(wnd, tw::kMsgAssistantBackupSet, -3));
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
  ASSERT_TRUE(testwatch::WaitForLine(mainLog_, "msg 33568 1 -3")) << ReadText(mainLog_);
  const std::string log = ReadText(mainLog_);
  EXPECT_EQ(1, CountLines(log, "msg 33568 1 7")) << log;
  EXPECT_EQ(1, CountLines(log, "start -1 " + Quoted(tw::kMainProgramFile))) << log;  // the test's own
}

TEST_F(Assistant, StartsTheMainProgramMinimizedForASetAndServesOnOnceItsWindowIsUp) {
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  // The window comes late; the back-up-all request posted meanwhile must find
  // it rather than start a second program, and the close after both waits
  // for them.
  SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", "3000");
  // The assistant's environment was fixed at its start, so it is restarted.
  CloseAndEnd(tw::kAssistantClass, kAssistantFile);
  ASSERT_TRUE(Start(assistant_, kAssistantFile));
  wnd = testwatch::WaitForWindow(tw::kAssistantClass);
  ASSERT_NE(nullptr, wnd);

  ASSERT_TRUE(PostMessageA(wnd, tw::kMsgAssistantBackupSet, 0, 7));
  ASSERT_TRUE(PostMessageA(wnd, tw::kMsgAssistantAction, 0, tw::BackupAll));
  ASSERT_TRUE(PostMessageA(wnd, WM_CLOSE, 0, 0));
  ASSERT_TRUE(testwatch::WaitForLine(mainLog_, "start 6 " + Quoted(tw::kMainProgramFile) + " -BackupSet=7"));
  // While it waits for that window, it answers.
  DWORD_PTR ignored = 0;
  EXPECT_TRUE(SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored));
  EXPECT_EQ(nullptr, FindWindowA(tw::kMainProgramClass, nullptr)) << "answered only once the window came";
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(assistant_.Process(), testwatch::kDeadlineMs));
  EXPECT_TRUE(testwatch::WaitForLine(mainLog_, "msg 33568 0 0")) << ReadText(mainLog_);
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
}

TEST_F(Assistant, ServesActionsThroughTheRunningMainProgram) {
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  HWND main = RunMainProgram();
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(Post(wnd, tw::kMsgAssistantAction, tw::BackupAll));
  ASSERT_TRUE(Post(wnd, tw::kMsgAssistantAction, tw::BackupAllAndShutdown));
  ASSERT_TRUE(testwatch::WaitForLine(mainLog_, "msg 33568 0 1"));
  EXPECT_EQ(1, CountLines(ReadText(mainLog_), "msg 33568 0 0"));

  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(testwatch::PollUntil([&] { return IsIconic(main) != FALSE; }));
  ASSERT_TRUE(Post(wnd, tw::kMsgAssistantAction, tw::Open));
  EXPECT_TRUE(testwatch::PollUntil([&] { return !IsIconic(main) && IsWindowVisible(main); }));
  EXPECT_EQ(1, testwatch::CountProcessesNamed(tw::kMainProgramFile));
}

TEST_F(Assistant, StartsTheMainProgramForActionsWithTheirSwitch) {
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  const std::string quoted = Quoted(tw::kMainProgramFile);
  const std::vector<std::pair<int, std::string>> cases = {
      {tw::BackupAll, "start -1 " + quoted + " -BackupAll"},
      {tw::BackupAllAndShutdown, "start -1 " + quoted + " -BackupAllAndShutdown"},
      {tw::Open, "start -1 " + quoted},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Post(wnd, tw::kMsgAssistantAction, c.first));
    ASSERT_NE(nullptr, testwatch::WaitForWindow(tw::kMainProgramClass)) << c.second;
    EXPECT_TRUE(testwatch::WaitForLine(mainLog_, c.second)) << ReadText(mainLog_);
    CloseAndEnd(tw::kMainProgramClass, tw::kMainProgramFile);
  }
  EXPECT_EQ(3, CountLines(ReadText(mainLog_), "exit"));
}

TEST_F(Assistant, EndsWithExitCodeZeroOnClose) {
  HWND wnd = RunAssistant();
  ASSERT_NE(nullptr, wnd);
  ASSERT_TRUE(PostMessageA(wnd, WM_CLOSE, 0, 0));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(assistant_.Process(), testwatch::kDeadlineMs));
  DWORD code = 99;
  GetExitCodeProcess(assistant_.Process(), &code);
  EXPECT_EQ(0u, code);
  EXPECT_EQ(nullptr, FindWindowA(tw::kAssistantClass, nullptr));
}

TEST_F(Assistant, CarriesItsIconAndManifest) {
  HMODULE file = LoadLibraryExA(Installed(kAssistantFile).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, file);
  EXPECT_NE(nullptr, FindResourceA(file, MAKEINTRESOURCEA(IDI_ASSISTANT), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
  EXPECT_NE(nullptr, FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)));  // RT_MANIFEST
  FreeLibrary(file);
}

TEST_F(Assistant, CarriesItsVersionBlock) {
  const std::string path = Installed(kAssistantFile);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  auto text = [&](const char* key) {
    char* value = nullptr;
    UINT len = 0;
    std::string sub = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!VerQueryValueA(data.data(), sub.c_str(), reinterpret_cast<void**>(&value), &len) || !value) return std::string();
    return std::string(value);
  };
  EXPECT_EQ("Scheduler", text("FileDescription"));
  EXPECT_EQ("Scheduler Assistant", text("InternalName"));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);
}

}  // namespace
