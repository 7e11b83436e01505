// Process-wide state of the uninstaller, one instance each. Written by the
// dialog's thread before the worker starts and only read afterwards, except
// WorkerState, which both threads write.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "platform/path_rules.h"

namespace pw {

extern HINSTANCE InstanceHandle;
// The running module's path; in removal mode cut to InstallDirectory (the
// uninstaller's folder without a trailing '\').
extern char ProgramPath[PathBufferSize];
extern int IsNtFamily;
extern HWND DialogWindow;
// 2 = worker being started, 1 = running, 0 = finished (or never started).
extern volatile LONG WorkerState;
extern char TempDirectory[PathBufferSize];

inline const char* InstallDirectory() { return ProgramPath; }

// 1 when the platform is of the NT family (top bit of the version word clear).
int DetectNtFamily();

}  // namespace pw
#endif
