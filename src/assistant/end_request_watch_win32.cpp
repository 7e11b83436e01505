// The assistant ends when the uninstaller of its installation asks.
#include "assistant/end_request_watch.h"

#include "common/end_request.h"

HWND WatchForEndRequest(HWND window) {
  if (window) SetTimer(window, kEndRequestTimerId, kEndRequestTimerMs, nullptr);
  return window;
}

bool EndIfUninstallAsks(HWND window, const char* directory) {
  if (!EndRequested(directory)) return false;
  KillTimer(window, kEndRequestTimerId);
  PostMessageA(window, WM_CLOSE, 0, 0);
  return true;
}
