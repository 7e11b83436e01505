// Tickwarden's side of the uninstaller's end request (common/end_request.h):
// looked for on every timer message, also during the settle time, so that a
// scheduler of any session ends before its file is to be deleted.
#pragma once
#ifdef _WIN32
#include <windows.h>

// When the request beside the program is in force: logs why and asks window
// to end (message 1026), once. Returns whether it did.
bool EndIfUninstallAsks(HWND window);

#endif
