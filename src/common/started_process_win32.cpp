// Starting a program and owning its handles.
#include "common/started_process.h"

#include "platform/bounded_text.h"
#include "common/main_program_command.h"

ProcessCreator CreateProcessForStart = CreateProcessA;

StartedProcess::StartedProcess() { ZeroMemory(&info_, sizeof info_); }

StartedProcess::~StartedProcess() { Close(); }

void StartedProcess::Close() {
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
  ZeroMemory(&info_, sizeof info_);
}

HANDLE StartedProcess::ReleaseProcess() {
  HANDLE process = info_.hProcess;
  info_.hProcess = nullptr;
  Close();
  return process;
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
  const bool ntFamily = (GetVersion() & 0x80000000UL) == 0;
  const UINT ownMode = ntFamily ? 0 : SetErrorMode(0);
  const DWORD flags = ntFamily ? CREATE_DEFAULT_ERROR_MODE : 0;
  const BOOL started = CreateProcessForStart(path, line, nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info_);
  if (!ntFamily) SetErrorMode(ownMode);
  if (!started) {
    ZeroMemory(&info_, sizeof info_);
    return -1;
  }
  return 0;
}
