// A stand-in for the shell's notification area, so that tests see what the
// shell received rather than what a program meant to send: a window of class
// "Shell_TrayWnd" on a thread of its own, to which Wine's Shell_NotifyIcon
// hands every icon call as WM_COPYDATA (action in dwData, the icon's record in
// Wine's own layout: window, id, flags, callback, then the texts in UTF-16).
// It records each call and answers TRUE, as a shell does; told to, it refuses
// the next adds as a busy shell does (Windows' call gives up after a few
// seconds and returns FALSE), and from then on a change of an icon it does
// not hold, as every shell does.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "window_thread_win32.h"

namespace testwatch {

struct ShellIconCall {
  DWORD Action;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  UINT Id;
  UINT Flags;
  std::string Tip;        // with NIF_TIP
  std::string Info;       // with NIF_INFO (0x10): the balloon
  std::string InfoTitle;
};

class NotificationArea {
 public:
  NotificationArea() : window_("Shell_TrayWnd", "", 0, Hook, this) {}
  NotificationArea(const NotificationArea&) = delete;
  NotificationArea& operator=(const NotificationArea&) = delete;

  std::vector<ShellIconCall> Calls() {
    EnterCriticalSection(&lock_);
    std::vector<ShellIconCall> copy = calls_;
    LeaveCriticalSection(&lock_);
    return copy;
  }
  // The next n adds answer FALSE and leave no icon.
  void RefuseAdds(int n) {
    EnterCriticalSection(&lock_);
    refuseAdds_ = n;
    strict_ = true;
    LeaveCriticalSection(&lock_);
  }
  // Adds answered FALSE so far.
  int RefusedAdds() {
    EnterCriticalSection(&lock_);
    const int n = refused_;
    LeaveCriticalSection(&lock_);
    return n;
  }
  void Clear() {
    EnterCriticalSection(&lock_);
    calls_.clear();
    LeaveCriticalSection(&lock_);
  }
  // The tooltip the shell shows now: the last one any add or modify set.
  std::string Tip() {
    std::string tip;
    for (const ShellIconCall& c : Calls())
      if (c.Action != NIM_DELETE && (c.Flags & NIF_TIP)) tip = c.Tip;
    return tip;
  }
  // The balloons shown, oldest first.
  std::vector<std::string> Balloons() {
    std::vector<std::string> texts;
    for (const ShellIconCall& c : Calls())
      if (c.Flags & kInfoFlag) texts.push_back(c.InfoTitle + ": " + c.Info);
    return texts;
  }
  // Whether the shell holds the icon now (added and not deleted since).
  bool Shown() { return Holds(Calls()); }

 private:
  static const UINT kInfoFlag = 0x10;  // NIF_INFO
  // Offsets in Wine's record: four 32-bit fields, then the tip of 128
  // characters, state and mask, the balloon text of 256, the time-out and the
  // balloon title of 64.
  static const size_t kTipOffset = 16, kTipChars = 128;
  static const size_t kInfoOffset = kTipOffset + kTipChars * 2 + 8, kInfoChars = 256;
  static const size_t kTitleOffset = kInfoOffset + kInfoChars * 2 + 4, kTitleChars = 64;

  static std::string Text(const BYTE* data, size_t size, size_t offset, size_t chars) {
    if (offset + chars * 2 > size) return std::string();
    const WCHAR* w = reinterpret_cast<const WCHAR*>(data + offset);
    size_t n = 0;
    while (n < chars && w[n] != 0) ++n;
    char out[600] = {};
    WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(n), out, sizeof out - 1, nullptr, nullptr);
    return out;
  }
  // Whether the shell takes the call; a refused one is not recorded.
  static bool Holds(const std::vector<ShellIconCall>& calls) {
    bool shown = false;
    for (const ShellIconCall& c : calls) {
      if (c.Action == NIM_ADD) shown = true;
      if (c.Action == NIM_DELETE) shown = false;
    }
    return shown;
  }
  bool Take(DWORD action) {
    if (action == NIM_ADD && refuseAdds_ > 0) {
      --refuseAdds_;
      return false;
    }
    return !(strict_ && action == NIM_MODIFY && !Holds(calls_));
  }
  BOOL Record(DWORD action, const BYTE* data, size_t size) {
    if (size < kTipOffset) return FALSE;
    ShellIconCall c;
    c.Action = action;
    c.Id = *reinterpret_cast<const UINT*>(data + 4);
    c.Flags = *reinterpret_cast<const UINT*>(data + 8);
    if (c.Flags & NIF_TIP) c.Tip = Text(data, size, kTipOffset, kTipChars);
    if (c.Flags & kInfoFlag) {
      c.Info = Text(data, size, kInfoOffset, kInfoChars);
      c.InfoTitle = Text(data, size, kTitleOffset, kTitleChars);
    }
    EnterCriticalSection(&lock_);
    const bool taken = Take(action);
    if (taken) calls_.push_back(c);
    else if (action == NIM_ADD) ++refused_;
    LeaveCriticalSection(&lock_);
    return taken ? TRUE : FALSE;
  }
  static bool Hook(void* context, UINT m, WPARAM, LPARAM lp, LRESULT* result) {
    if (m != WM_COPYDATA) return false;
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    *result = static_cast<NotificationArea*>(context)->Record(static_cast<DWORD>(cds->dwData),
                                                              static_cast<const BYTE*>(cds->lpData), cds->cbData);
    return true;
  }

  struct Lock {
    Lock() { InitializeCriticalSection(&section); }
    ~Lock() { DeleteCriticalSection(&section); }
    CRITICAL_SECTION section;
  } lockHolder_;
  CRITICAL_SECTION& lock_ = lockHolder_.section;
  std::vector<ShellIconCall> calls_;
  int refuseAdds_ = 0;
  bool strict_ = false;
  int refused_ = 0;
  // Last, so that its thread has ended before the records and the lock go.
  WindowThread window_;
};

}  // namespace testwatch
