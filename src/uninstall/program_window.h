// Closing the product's running programs before their files are deleted.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

// Longest wait for a window to go after WM_CLOSE, the send included.
constexpr DWORD kCloseWaitMs = 15000;

// Sends WM_CLOSE to the top-level window of class className and waits, at
// most kCloseWaitMs in all, for windows of that class to be gone; then sleeps
// settleMs. No such window: returns at once. A window that does not answer
// cannot hold the caller beyond the bound.
void CloseWindowOfClass(const char* className, DWORD settleMs);

// The same with the class name taken from string classTextNumber.
void CloseProgramWindow(UINT classTextNumber, DWORD settleMs);

}  // namespace pw
#endif
