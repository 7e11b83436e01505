// The fixture of the scheduler's system tests: a throw-away installation
// (Tickwarden.exe, the assistant, the stand-in main program, a ClientConfig.hdb
// built for the test) started under Wine and driven by window messages; the
// stand-in main program's log and the test's own windows show what reached them.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "client_config_file.h"
#include "code_page_names_win32.h"
#include "program_watch_win32.h"

namespace schedtest {

using testwatch::PollUntil;
using testwatch::ReadText;

const char kSchedulerClass[] = "CobaltineSchedulerClass";
const char kAssistantClass[] = "CobaltineSchedulerAssistantClass";
const char kMainClass[] = "Cobaltine";

inline SYSTEMTIME LocalNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t;
}

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

// Milliseconds the window takes to answer a plain message; the bound when it does not.
inline DWORD AnswerTime(HWND w, DWORD bound) {
  const DWORD start = GetTickCount();
  DWORD_PTR ignored;
  if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, bound, &ignored)) return bound;
  return GetTickCount() - start;
}

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testwatch::EndProcessesNamed("Tickwarden.exe");
    testwatch::EndProcessesNamed("Cobaltine.exe");
    testwatch::EndProcessesNamed("Tickwardenaide.exe");
    ASSERT_EQ("", testnames::Mismatch());
    const std::string temp = testwatch::MakeTempFolder("tw");
    install_ = temp;
    // In the code-page lane the folders and the sets have names of that code
    // page, and RepositoryConfig.txt names the repository. (The stand-in's log
    // stays in the plain folder: Wine cuts environment values that hold
    // two-byte characters.)
    if (testnames::Wanted()) {
      install_ = temp + "\\" + testnames::Install("Cobaltine");
      data_ = install_ + "\\" + testnames::Repository("data");
      ASSERT_TRUE(testwatch::MakeFolders(data_));
      ASSERT_TRUE(testwatch::WriteText(install_ + "\\RepositoryConfig.txt", "[Repository]\r\nPath=" + data_ + "\r\n"));
    } else {
      data_ = install_ + "\\data";
      CreateDirectoryA(data_.c_str(), nullptr);
    }
    std::string bin = testwatch::ProgramDirectory();
    ASSERT_TRUE(CopyFileA((bin + "\\Tickwarden.exe").c_str(), (install_ + "\\Tickwarden.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\Cobaltine.exe").c_str(), (install_ + "\\Cobaltine.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\Tickwardenaide.exe").c_str(), (install_ + "\\Tickwardenaide.exe").c_str(), FALSE));
    log_ = temp + "\\Cobaltine.log";
    SetEnvironmentVariableA("COBALTINE_LOG", log_.c_str());
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  }

  void TearDown() override {
    if (HWND w = FindWindowA(kSchedulerClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    if (!testwatch::WaitForNoWindow(kSchedulerClass, 5000)) testwatch::EndProcessesNamed("Tickwarden.exe");
    if (HWND w = FindWindowA(kMainClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    if (!testwatch::WaitForNoWindow(kMainClass, 5000)) testwatch::EndProcessesNamed("Cobaltine.exe");
    if (!testwatch::WaitForNoWindow(kAssistantClass, 5000)) testwatch::EndProcessesNamed("Tickwardenaide.exe");
    // A main program started in the test's last moments may not have its
    // window yet: it would outlive the test, and hold CTest's output open.
    testwatch::EndProcessesNamed("Cobaltine.exe");
    for (HANDLE h : processes_) CloseHandle(h);
    SetEnvironmentVariableA("COBALTINE_LOG", nullptr);
  }

  // The name a set was given, as the scheduler sees it in this run.
  static std::string Named(const std::string& plain) { return testnames::Set(plain); }
  void WriteConfig() {
    testconfig::ClientConfig named = config_;
    for (ObjectNode& set : named.Sets)
      for (ObjectNode& key : set.Children)
        if (key.Name == "Name") key.Data = Named(key.Data);
    ASSERT_TRUE(named.Write(data_ + "\\ClientConfig.hdb"));
  }

  HANDLE Start(const std::string& exe, const std::string& args = std::string()) {
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // A start that Wine refuses under load (seen once among many runs) is
    // tried again for a few seconds; what it said is kept for the message.
    DWORD error = 0;
    if (!PollUntil([&] {
          if (CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, install_.c_str(), &si,
                             &pi))
            return true;
          error = GetLastError();
          return false;
        }, 5000)) {
      ADD_FAILURE() << "cannot start " << exe << ": error " << error;
      return nullptr;
    }
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
  std::string SupportLog() const { return ReadText(data_ + "\\Logs\\Tickwarden.log"); }
  bool LogHas(const std::string& line, DWORD ms = 20000) const { return testwatch::WaitForLine(log_, line, ms); }
  std::string Quoted(const std::string& file) const { return "\"" + install_ + "\\" + file + "\""; }

  testconfig::ClientConfig config_;
  std::string install_, data_, log_;
  HANDLE scheduler_ = nullptr;
  std::vector<HANDLE> processes_;
};


// The pre-backup prompt of the running scheduler (a dialog titled "Tickwarden").
inline HWND WaitForPrompt(DWORD ms = 20000) {
  HWND found = nullptr;
  PollUntil([&] { return (found = FindWindowA("#32770", "Tickwarden")) != nullptr && IsWindowVisible(found); }, ms);
  return found;
}

inline BOOL CALLBACK CountPrompt(HWND w, LPARAM count) {
  char cls[16] = "", title[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, title, sizeof title);
  if (strcmp(cls, "#32770") == 0 && strcmp(title, "Tickwarden") == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// How many pre-backup prompts are open.
inline int PromptsOpen() {
  int open = 0;
  EnumWindows(CountPrompt, reinterpret_cast<LPARAM>(&open));
  return open;
}

class PromptedSchedulerTest : public SchedulerTest {
 protected:
  void SetUp() override {
    SchedulerTest::SetUp();
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "1"}};
  }
  // Writes the settings, starts the scheduler and ticks it; returns the
  // prompt that the tick opens (window: the scheduler's, when asked for).
  HWND StartAndTickToPrompt(HWND* window = nullptr) {
    WriteConfig();
    HWND w = StartScheduler();
    if (window) *window = w;
    if (!w) return nullptr;
    PostMessageA(w, WM_TIMER, 1, 0);
    return WaitForPrompt();
  }
  // Clicks a button of the prompt the way the dialog manager reports a click.
  static void Click(HWND prompt, int id) {
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(prompt, id)));
  }
  // Pauses the prompt and waits until it says so.
  static bool Pause(HWND prompt) {
    Click(prompt, 1000);
    return PollUntil([&] {
      char text[32] = "";
      GetDlgItemTextA(prompt, 1000, text, sizeof text);
      return strcmp(text, "Continue") == 0;
    });
  }
  // Waits until the support log tells how a set's prompt ended: its launch
  // has finished (the window answers throughout, so answering tells nothing).
  bool PromptLogged(int set) const {
    const std::string line = " prompt " + std::to_string(set) + " ";
    return PollUntil([&] { return SupportLog().find(line) != std::string::npos; }, 30000);
  }
};

// Opens the tray menu with a right click on the icon and walks it with the
// keyboard, as a user without a mouse would: Down moves to the next command.
inline void ChooseFromTrayMenu(HWND scheduler, int downs, bool escape = false) {
  PostMessageA(scheduler, 1027, 0, WM_RBUTTONUP);
  HWND menu = testwatch::WaitForWindow("#32768", 15000);
  ASSERT_NE(nullptr, menu) << "the menu did not open";
  ASSERT_TRUE(PollUntil([&] { return IsWindowVisible(menu) != FALSE; }));
  for (int i = 0; i < downs; ++i) {
    PostMessageA(scheduler, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(scheduler, WM_KEYUP, VK_DOWN, 0);
  }
  UINT key = escape ? VK_ESCAPE : VK_RETURN;
  PostMessageA(scheduler, WM_KEYDOWN, key, 0);
  PostMessageA(scheduler, WM_KEYUP, key, 0);
  EXPECT_TRUE(testwatch::WaitForNoWindow("#32768", 10000) || !IsWindowVisible(menu));
}

}  // namespace schedtest
