// Finding the pre-backup prompt that this process itself shows: the prompt
// test and the documentation's photographer both run the real dialog on a
// thread of their own and must tell it from any other program's windows.
#pragma once
#include <windows.h>
#include <string.h>

namespace promptwatch {

inline BOOL CALLBACK MatchOwnPrompt(HWND w, LPARAM p) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = "", title[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, title, sizeof title);
  if (pid != GetCurrentProcessId() || strcmp(cls, "#32770") != 0 || strcmp(title, "Tickwarden") != 0) return TRUE;
  *reinterpret_cast<HWND*>(p) = w;
  return FALSE;
}

// The prompt window now, or null.
inline HWND OwnPrompt() {
  HWND found = nullptr;
  EnumWindows(MatchOwnPrompt, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace promptwatch
