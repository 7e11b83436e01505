// Starting a program and owning its handles.
#include "common/started_process.h"

#include "platform/bounded_text.h"
#include "common/main_program_command.h"

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
  if (!CreateProcessA(path, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_)) {
    ZeroMemory(&info_, sizeof info_);
    return -1;
  }
  return 0;
}
