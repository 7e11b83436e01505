// A process this program starts, holding its process and thread handles until
// the holder goes. Starting never reports to the user; the caller decides
// whether a failed start matters.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "platform/handles.h"

class StartedProcess {
 public:

  // Starts path (unquoted) with commandLine, no inherited handles, this
  // process's environment and current directory, and the system's default
  // error mode whatever this process set. showState < 0 gives
  // empty start-up information; otherwise the new process is asked to use
  // showState (STARTF_USESHOWWINDOW). Returns 0, or -1 when the start failed
  // (the handles then stay empty).
  int Start(const char* path, const char* commandLine, int showState);

  // The process handle, or null when nothing was started.
  HANDLE Process() const { return process_.Get(); }

  // Closes both handles; the process itself runs on.
  void Close();

  // Hands the process handle to the caller (who closes it) and closes the
  // thread handle; null when nothing was started.
  HANDLE ReleaseProcess();

 private:
  OwnedHandle process_;
  OwnedHandle thread_;
};

// How a start reaches the system. Wine passes no error mode on to a child,
// so tests put a stand-in for Windows' rule here that sees what the child
// would get.
using ProcessCreator = BOOL(WINAPI*)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                                     LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);
extern ProcessCreator CreateProcessForStart;
#endif
