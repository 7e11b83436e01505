// Closing a program by its window class.
#include "uninstall/program_window.h"

#include "common/string_table.h"
#include "platform/bounded_text.h"

namespace pw {

void CloseWindowOfClass(const char* className, DWORD settleMs) {
  HWND window = FindWindowA(className, nullptr);
  if (!window) return;
  DWORD start = GetTickCount();
  DWORD_PTR answer = 0;
  // Bounded, so that a hung program cannot stop the removal.
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseWaitMs, &answer);
  for (int i = 0; i < 150 && FindWindowA(className, nullptr); ++i) {
    if (GetTickCount() - start >= kCloseWaitMs) break;
    Sleep(100);
  }
  Sleep(settleMs);
}

void CloseProgramWindow(UINT classTextNumber, DWORD settleMs) {
  char className[256];
  CopyText(classTextNumber, className, sizeof className);
  if (!className[0]) return;  // an empty class would match any window
  CloseWindowOfClass(className, settleMs);
}

}  // namespace pw
