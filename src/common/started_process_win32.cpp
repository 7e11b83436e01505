// Starting a program and owning its handles.
#include "common/started_process.h"

#include "platform/bounded_text.h"
#include "platform/windows_version.h"
#include "common/main_program_command.h"

ProcessCreator CreateProcessForStart = CreateProcessA;

void StartedProcess::Close() {
  thread_.Reset();
  process_.Reset();
}

HANDLE StartedProcess::ReleaseProcess() {
  thread_.Reset();
  return process_.Take();
}

int StartedProcess::Start(const char* path, const char* commandLine, int showState) {
  Close();
  // CreateProcessA may write into the command line, so it gets a copy.
  char line[kProgramCommandLineSize];
  if (!CopyBounded(line, sizeof line, commandLine)) return -1;
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (showState >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
  }
  // The started program gets the system's default error mode, not ours: the
  // scheduler keeps "insert a disk" boxes off for its own searches, and the
  // main program must ask for a missing disk as it does when started by hand.
  // NT takes a flag for it; the 95 family inherits the mode, so it is put back
  // to the default around the start.
  const bool ntFamily = IsNtFamily();
  const UINT ownMode = ntFamily ? 0 : SetErrorMode(0);
  const DWORD flags = ntFamily ? CREATE_DEFAULT_ERROR_MODE : 0;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  const BOOL started = CreateProcessForStart(path, line, nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info);
  if (!ntFamily) SetErrorMode(ownMode);
  if (!started) return -1;
  process_.Reset(info.hProcess);
  thread_.Reset(info.hThread);
  return 0;
}
