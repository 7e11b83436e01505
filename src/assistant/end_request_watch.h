// Tickwardenaide's side of the uninstaller's end request
// (common/end_request.h): a timer of its own, on which it looks for the
// request beside the program and ends when it is in force, also when no
// scheduler of its session is there to close it.
#pragma once
#ifdef _WIN32
#include <windows.h>

constexpr UINT_PTR kEndRequestTimerId = 1;
constexpr UINT kEndRequestTimerMs = 5000;

// Starts the timer on window (when there is one) and returns window.
HWND WatchForEndRequest(HWND window);

// On the timer: when the request in directory is in force, closes window.
// Returns whether it did.
bool EndIfUninstallAsks(HWND window, const char* directory);

#endif
