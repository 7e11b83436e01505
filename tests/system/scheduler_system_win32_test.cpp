// Tickwarden as a whole: a throw-away installation (Tickwarden.exe, the
// stand-in main program, RepositoryConfig.txt, a ClientConfig.hdb built for
// the test) is started under Wine and driven by window messages; the stand-in
// main program's log and the test's own windows show what reached them.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "client_config_file.h"
#include "program_watch_win32.h"

namespace {

using testwatch::PollUntil;
using testwatch::ReadText;

const char kSchedulerClass[] = "CobaltineSchedulerClass";
const char kAssistantClass[] = "CobaltineSchedulerAssistantClass";
const char kMainClass[] = "Cobaltine";

// A window of a given class owned by the test, recording what it receives.
class RecordingWindow {
 public:
  explicit RecordingWindow(const char* cls) : cls_(cls) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, cls, "test window", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~RecordingWindow() {
    if (window_) DestroyWindow(window_);
    UnregisterClassA(cls_, GetModuleHandleA(nullptr));
  }
  // Pumps this thread's messages until pred holds or the deadline passes.
  template <typename Pred>
  bool PumpUntil(Pred pred, DWORD deadlineMs = 20000) {
    return PollUntil([&] {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      return pred();
    }, deadlineMs);
  }
  int Count(UINT msg, WPARAM wp, LPARAM lp) const {
    int n = 0;
    for (const auto& r : received_)
      if (r.msg == msg && r.wp == wp && r.lp == lp) ++n;
    return n;
  }
  int CountMessage(UINT msg) const {
    int n = 0;
    for (const auto& r : received_) n += r.msg == msg;
    return n;
  }

 private:
  struct Received {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    RecordingWindow* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (self && (msg == WM_CLOSE || msg >= WM_USER)) {
      self->received_.push_back({msg, wp, lp});
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  const char* cls_;
  HWND window_ = nullptr;
  std::vector<Received> received_;
};

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testwatch::EndProcessesNamed("Tickwarden.exe");
    testwatch::EndProcessesNamed("Cobaltine.exe");
    testwatch::EndProcessesNamed("Tickwardenaide.exe");
    install_ = testwatch::MakeTempFolder("tw");
    data_ = install_ + "\\data";
    CreateDirectoryA(data_.c_str(), nullptr);
    std::string bin = testwatch::ProgramDirectory();
    ASSERT_TRUE(CopyFileA((bin + "\\Tickwarden.exe").c_str(), (install_ + "\\Tickwarden.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\Cobaltine.exe").c_str(), (install_ + "\\Cobaltine.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\Tickwardenaide.exe").c_str(), (install_ + "\\Tickwardenaide.exe").c_str(), FALSE));
    log_ = install_ + "\\Cobaltine.log";
    SetEnvironmentVariableA("COBALTINE_LOG", log_.c_str());
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  }

  void TearDown() override {
    if (HWND w = FindWindowA(kSchedulerClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    if (!testwatch::WaitForNoWindow(kSchedulerClass, 5000)) testwatch::EndProcessesNamed("Tickwarden.exe");
    if (HWND w = FindWindowA(kMainClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    if (!testwatch::WaitForNoWindow(kMainClass, 5000)) testwatch::EndProcessesNamed("Cobaltine.exe");
    if (!testwatch::WaitForNoWindow(kAssistantClass, 5000)) testwatch::EndProcessesNamed("Tickwardenaide.exe");
    for (HANDLE h : processes_) CloseHandle(h);
    SetEnvironmentVariableA("COBALTINE_LOG", nullptr);
  }

  void WriteConfig() { ASSERT_TRUE(config_.Write(data_ + "\\ClientConfig.hdb")); }

  HANDLE Start(const std::string& exe, const std::string& args = std::string()) {
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, install_.c_str(), &si, &pi))
      return nullptr;
    CloseHandle(pi.hThread);
    processes_.push_back(pi.hProcess);
    return pi.hProcess;
  }

  // Starts the scheduler and waits for its window.
  HWND StartScheduler() {
    scheduler_ = Start(install_ + "\\Tickwarden.exe");
    EXPECT_NE(nullptr, scheduler_);
    HWND w = testwatch::WaitForWindow(kSchedulerClass, 30000);
    EXPECT_NE(nullptr, w) << "Tickwarden's window did not appear";
    return w;
  }

  HWND StartMainProgram() {
    Start(install_ + "\\Cobaltine.exe");
    HWND w = testwatch::WaitForWindow(kMainClass, 20000);
    EXPECT_NE(nullptr, w);
    return w;
  }

  static DWORD ExitCodeAfter(HANDLE process, DWORD ms) {
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
  }

  std::string Log() const { return ReadText(log_); }
  bool LogHas(const std::string& line, DWORD ms = 20000) const { return testwatch::WaitForLine(log_, line, ms); }
  std::string Quoted(const std::string& file) const { return "\"" + install_ + "\\" + file + "\""; }

  testconfig::ClientConfig config_;
  std::string install_, data_, log_;
  HANDLE scheduler_ = nullptr;
  std::vector<HANDLE> processes_;
};

TEST_F(SchedulerTest, SecondStartExitsAtOnceAndTheFirstKeepsRunning) {
  WriteConfig();
  HWND first = StartScheduler();
  ASSERT_NE(nullptr, first);
  HANDLE second = Start(install_ + "\\Tickwarden.exe");
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(0u, ExitCodeAfter(second, 20000));
  EXPECT_EQ(first, FindWindowA(kSchedulerClass, nullptr));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(scheduler_, 0));
}

TEST_F(SchedulerTest, ExitMessageEndsTheProcessAndClosesTheAssistant) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  PostMessageA(w, 1026, 0, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
  EXPECT_EQ(nullptr, FindWindowA(kSchedulerClass, nullptr));
}

TEST_F(SchedulerTest, CloseMessageEndsTheProcessAndClosesTheAssistant) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
}

TEST_F(SchedulerTest, LogOffIsAllowedWithoutAnAtShutdownSet) {
  config_.AddSet("1", {{"Name", "by hand only"}});
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(1u, answer);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(scheduler_, 500));
}

TEST_F(SchedulerTest, LogOffWithAnAtShutdownSetIsRefusedOnceThenTheSetStartsAndTheSchedulerExits) {
  config_.AddSet("4", {{"Name", "at log-off"}, {"ScheduleAtShutdownFlag", "1"}});
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(0u, answer);
  EXPECT_TRUE(LogHas("msg 33568 1 4"));
  EXPECT_TRUE(LogHas("msg 33470 0 0"));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
}

TEST_F(SchedulerTest, DueSetStartsTheMainProgramMinimizedWithItsSetNumber) {
  config_.AddSet("7", testconfig::DueNowSet("due now"));
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);  // the tick, without waiting ten seconds
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=7")) << Log();
  // The same minute is not evaluated twice.
  PostMessageA(w, WM_TIMER, 1, 0);
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  DWORD_PTR ignored;
  SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  EXPECT_EQ(1, testwatch::CountLines(Log(), "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=7"));
}

TEST_F(SchedulerTest, DueSetGoesToTheRunningMainProgram) {
  config_.AddSet("3", testconfig::DueNowSet("due now"));
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(LogHas("msg 33568 1 3")) << Log();
  EXPECT_EQ(1, testwatch::CountProcessesNamed("Cobaltine.exe"));
}

TEST_F(SchedulerTest, DueSetGoesOnlyToTheAssistantWhenItsWindowExists) {
  config_.AddSet("5", testconfig::DueNowSet("due now"));
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  RecordingWindow assistant(kAssistantClass);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.Count(1024, 0, 5) == 1; }));
  EXPECT_EQ(std::string::npos, Log().find("msg 33568"));
}

TEST_F(SchedulerTest, DoubleClickOnTheIconOpensTheMainProgram) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(LogHas("start -1 " + Quoted("Cobaltine.exe"))) << Log();
}

TEST_F(SchedulerTest, DoubleClickRestoresARunningMainProgram) {
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(PollUntil([&] { return IsIconic(main) != FALSE; }, 5000));
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(PollUntil([&] { return IsIconic(main) == FALSE && IsWindowVisible(main); }, 10000));
}

TEST_F(SchedulerTest, AnnouncedNextBackupTimeReachesTheMainProgram) {
  config_.AddSet("2", {{"Name", "nightly"},
                       {"ScheduleAutomatic", "1"},
                       {"SchedulePerScheduleFlag", "1"},
                       {"ScheduleScheduledType", "0"},
                       {"ScheduleDaysFlags", "127"},
                       {"ScheduleBackupTimeHour", "23"},
                       {"ScheduleBackupTimeMinute", "59"}});
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR next = 0;
  ASSERT_TRUE(SendMessageTimeoutA(w, 1031, 0, 0, SMTO_ABORTIFHUNG, 10000, &next));
  EXPECT_NE(0u, next);
  EXPECT_EQ(59u, (next / 60) % 60) << "the next time is at minute 59";
  char line[64];
  snprintf(line, sizeof line, "msg 33570 0 %ld", static_cast<long>(next));
  EXPECT_TRUE(LogHas(line)) << Log();
}

// The repository (here the data folder) goes away and comes back while no
// drive letter changes: the at-connect set runs once on its return.
TEST_F(SchedulerTest, RepositoryBackWithoutADriveChangeRunsTheConnectSetOnce) {
  config_.AddSet("8", {{"Name", "on connect"}, {"ScheduleAtConnectFlag", "1"}});
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR ignored;
  auto tick = [&] { ASSERT_TRUE(SendMessageTimeoutA(w, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 20000, &ignored)); };
  tick();
  const std::string away = install_ + "\\data.away";
  ASSERT_TRUE(MoveFileA(data_.c_str(), away.c_str()));
  tick();
  ASSERT_TRUE(MoveFileA(away.c_str(), data_.c_str()));
  tick();
  const std::string started = "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=8";
  EXPECT_TRUE(LogHas(started)) << Log();
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  tick();
  tick();
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  EXPECT_EQ(1, testwatch::CountLines(Log(), started)) << Log();
  EXPECT_EQ(std::string::npos, Log().find("msg 33568 1 8")) << Log();
}

// Opens the tray menu with a right click on the icon and walks it with the
// keyboard, as a user without a mouse would: Down moves to the next command.
void ChooseFromTrayMenu(HWND scheduler, int downs, bool escape = false) {
  PostMessageA(scheduler, 1027, 0, WM_RBUTTONUP);
  HWND menu = testwatch::WaitForWindow("#32768", 15000);
  ASSERT_NE(nullptr, menu) << "the menu did not open";
  ASSERT_TRUE(PollUntil([&] { return IsWindowVisible(menu) != FALSE; }, 5000));
  for (int i = 0; i < downs; ++i) {
    PostMessageA(scheduler, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(scheduler, WM_KEYUP, VK_DOWN, 0);
  }
  UINT key = escape ? VK_ESCAPE : VK_RETURN;
  PostMessageA(scheduler, WM_KEYDOWN, key, 0);
  PostMessageA(scheduler, WM_KEYUP, key, 0);
  EXPECT_TRUE(testwatch::WaitForNoWindow("#32768", 10000) || !IsWindowVisible(menu));
}

TEST_F(SchedulerTest, TrayMenuCommandsStartTheMainProgramWithTheirSwitches) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  ChooseFromTrayMenu(w, 2);  // Open, Backup Now
  EXPECT_TRUE(LogHas("start -1 " + Quoted("Cobaltine.exe") + " -BackupAll")) << Log();
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  ChooseFromTrayMenu(w, 3);  // ... Backup and Shutdown, now posted to the running program
  EXPECT_TRUE(LogHas("msg 33568 0 1")) << Log();
  ChooseFromTrayMenu(w, 2);
  EXPECT_TRUE(LogHas("msg 33568 0 0")) << Log();
}

TEST_F(SchedulerTest, TrayMenuEscapeDoesNothingAndExitEndsTheScheduler) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  ChooseFromTrayMenu(w, 2, true);
  DWORD_PTR ignored;
  SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  EXPECT_EQ(0, assistant.CountMessage(1025));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(scheduler_, 0));
  ChooseFromTrayMenu(w, 4);  // Exit
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
}

TEST_F(SchedulerTest, DueSetTravelsSchedulerToAssistantToMainProgram) {
  config_.AddSet("6", testconfig::DueNowSet("through the assistant"));
  WriteConfig();
  // The assistant starts the scheduler itself when none runs.
  HANDLE assistant = Start(install_ + "\\Tickwardenaide.exe");
  ASSERT_NE(nullptr, assistant);
  HWND w = testwatch::WaitForWindow(kSchedulerClass, 30000);
  ASSERT_NE(nullptr, w);
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kAssistantClass, 30000));
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=6")) << Log();
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kMainClass, 20000));
  // Leaving the scheduler takes the assistant with it.
  PostMessageA(w, 1026, 0, 0);
  EXPECT_TRUE(testwatch::WaitForNoWindow(kSchedulerClass, 20000));
  EXPECT_EQ(0u, ExitCodeAfter(assistant, 20000));
  printf("main program log:\n%s", Log().c_str());
}

// The pre-backup prompt of the running scheduler (a dialog titled "Tickwarden").
HWND WaitForPrompt(DWORD ms = 20000) {
  HWND found = nullptr;
  PollUntil([&] { return (found = FindWindowA("#32770", "Tickwarden")) != nullptr && IsWindowVisible(found); }, ms);
  return found;
}

class PromptedSchedulerTest : public SchedulerTest {
 protected:
  void SetUp() override {
    SchedulerTest::SetUp();
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "1"}};
  }
  // Clicks a button of the prompt the way the dialog manager reports a click.
  static void Click(HWND prompt, int id) {
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(prompt, id)));
  }
  // Waits until the scheduler answers again, i.e. its launch has finished.
  static void Settle(HWND scheduler) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(scheduler, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
  }
};

TEST_F(PromptedSchedulerTest, SkipLaunchesNothing) {
  config_.AddSet("1", testconfig::DueNowSet("skipped"));
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  HWND prompt = WaitForPrompt();
  ASSERT_NE(nullptr, prompt) << "no prompt appeared";
  Click(prompt, IDCANCEL);
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 10000));
  Settle(w);
  EXPECT_EQ(0, testwatch::CountProcessesNamed("Cobaltine.exe"));
  EXPECT_EQ("", Log());
}

TEST_F(PromptedSchedulerTest, StartNowLaunchesAtOnceAndEachSetGetsItsOwnPrompt) {
  config_.AddSet("1", testconfig::DueNowSet("first"));
  config_.AddSet("2", testconfig::DueNowSet("second"));
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  HWND first = WaitForPrompt();
  ASSERT_NE(nullptr, first);
  Click(first, IDCANCEL);  // skipping the first does not touch the second
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(first); }, 10000));
  HWND second = WaitForPrompt();
  ASSERT_NE(nullptr, second) << "the second set got no prompt";
  Click(second, IDOK);
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=2")) << Log();
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=1"));
}

TEST_F(PromptedSchedulerTest, CountdownRunningOutLaunchesTheBackup) {
  config_.AddSet("4", testconfig::DueNowSet("waited for"));
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  HWND prompt = WaitForPrompt();
  ASSERT_NE(nullptr, prompt);
  // It rests one pixel inside the work area's bottom-right corner.
  RECT work, box;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  ASSERT_TRUE(PollUntil([&] {
    GetWindowRect(prompt, &box);
    return box.bottom == work.bottom - work.top - 1;
  }, 5000)) << "bottom " << box.bottom;
  EXPECT_EQ(work.right - work.left - 1, box.right);
  EXPECT_EQ(std::string::npos, Log().find("start"));  // nothing before the countdown ends
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 40000));
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=4")) << Log();
}

}  // namespace
