// A top-level window of a given class on a thread of the test, standing in for
// another program's window: it counts the WM_CLOSE it gets and can hold the
// sender inside WM_CLOSE, as a hung program would, until released. A hook may
// answer other messages (the stand-in notification area records the shell's).
#pragma once
#include <windows.h>

#include <string>

namespace testwatch {

class WindowThread {
 public:
  // Answers a message on the window's thread: true with *result set, or false
  // to leave it to the window.
  typedef bool (*MessageHook)(void* context, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  // holdOnCloseMs: how long WM_CLOSE is held before the window closes, unless
  // Release() comes first; 0 closes at once.
  WindowThread(const char* className, const char* title, DWORD holdOnCloseMs, MessageHook hook = nullptr,
               void* hookContext = nullptr)
      : className_(className), title_(title), holdMs_(holdOnCloseMs), hook_(hook), hookContext_(hookContext) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    closeArrived_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready_, 10000);
  }
  ~WindowThread() {
    SetEvent(release_);
    if (IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 20000);
    CloseHandle(thread_);
    CloseHandle(ready_);
    CloseHandle(closeArrived_);
    CloseHandle(release_);
  }
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  HWND Window() const { return window_; }
  LONG CloseCount() const { return closes_; }
  bool WaitForClose(DWORD ms) { return WaitForSingleObject(closeArrived_, ms) == WAIT_OBJECT_0; }
  void Release() { SetEvent(release_); }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    LRESULT result = 0;
    if (self && self->hook_ && self->hook_(self->hookContext_, m, wp, lp, &result)) return result;
    if (m == WM_CLOSE && self) {
      InterlockedIncrement(&self->closes_);
      SetEvent(self->closeArrived_);
      if (self->holdMs_) WaitForSingleObject(self->release_, self->holdMs_);
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
    HWND w = CreateWindowExA(0, wc.lpszClassName, self->title_.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
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
  std::string title_;
  DWORD holdMs_;
  MessageHook hook_;
  void* hookContext_;
  HANDLE ready_;
  HANDLE closeArrived_;
  HANDLE release_;
  HANDLE thread_;
  HWND window_ = nullptr;
  volatile LONG closes_ = 0;
};

}  // namespace testwatch
