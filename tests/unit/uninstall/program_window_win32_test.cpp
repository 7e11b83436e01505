// Closing a program by its window class, with real windows on a second thread
// of the test: an answering window goes; a hung one cannot hold the caller.
#include "uninstall/program_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class OnClose { Close, Hang };

// A top-level window of its own class on its own thread with a message loop.
class WindowThread {
 public:
  WindowThread(const char* className, OnClose behaviour) : className_(className), behaviour_(behaviour) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready_, 10000);
  }
  ~WindowThread() {
    SetEvent(release_);
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 20000);
    CloseHandle(thread_);
    CloseHandle(ready_);
    CloseHandle(release_);
  }
  HWND Window() const { return window_; }
  LONG CloseCount() const { return closes_; }
  void Release() { SetEvent(release_); }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (m == WM_CLOSE && self) {
      InterlockedIncrement(&self->closes_);
      if (self->behaviour_ == OnClose::Hang) WaitForSingleObject(self->release_, 60000);
      DestroyWindow(w);
      return 0;
    }
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, m, wp, lp);
  }
  static DWORD WINAPI Run(LPVOID p) {
    auto* self = static_cast<WindowThread*>(p);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = self->className_.c_str();
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "test window", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    self->window_ = w;
    SetEvent(self->ready_);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
    return 0;
  }

  std::string className_;
  OnClose behaviour_;
  HANDLE ready_;
  HANDLE release_;
  HANDLE thread_;
  HWND window_ = nullptr;
  volatile LONG closes_ = 0;
};

TEST(CloseProgramWindow, AnsweringWindowIsClosed) {
  WindowThread program("PwTestAnsweringClass", OnClose::Close);
  ASSERT_NE(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  pw::CloseWindowOfClass("PwTestAnsweringClass", 0);
  EXPECT_EQ(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  EXPECT_EQ(1, program.CloseCount());
}

TEST(CloseProgramWindow, MissingWindowIsPassedOver) {
  pw::CloseWindowOfClass("PwTestNoSuchClass", 0);
  SUCCEED();
}

TEST(CloseProgramWindow, HungWindowCannotHoldTheCaller) {
  WindowThread program("PwTestHungClass", OnClose::Hang);
  ASSERT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  // Returns although the window never finishes handling WM_CLOSE.
  pw::CloseWindowOfClass("PwTestHungClass", 0);
  EXPECT_EQ(1, program.CloseCount());
  EXPECT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  program.Release();
}

}  // namespace
