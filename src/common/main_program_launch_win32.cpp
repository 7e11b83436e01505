// Routes 2 and 3 of a launch request: the running main program's window, or a
// newly started main program.
#include "common/main_program_launch.h"

#include "common/main_program_command.h"
#include "common/program_messages.h"
#include "common/started_process.h"

namespace {

constexpr int kWaitRounds = 500;
constexpr DWORD kWaitRoundMs = 20;

}  // namespace

void WaitForMainWindow(const char* mainClass, HANDLE process) {
  for (int round = 0; round < kWaitRounds; ++round) {
    if (FindWindowA(mainClass, nullptr)) return;
    if (WaitForSingleObject(process, kWaitRoundMs) != WAIT_TIMEOUT) return;
  }
}

int HandBackupSetToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                               int setNumber) {
  HWND main = FindWindowA(mainClass, nullptr);
  if (main) {
    PostMessageA(main, tw::kMsgMainBackup, 1, static_cast<LPARAM>(setNumber));
    return kHandedToRunningProgram;
  }
  char path[kProgramPathSize];
  char commandLine[kProgramCommandLineSize];
  if (BuildProgramPath(directory, mainFile, path, sizeof path) != 0 ||
      BuildBackupSetCommandLine(path, setNumber, commandLine, sizeof commandLine) != 0)
    return -1;
  StartedProcess process;
  int started = process.Start(path, commandLine, SW_MINIMIZE);
  // A failed start leaves no process: the wait ends in its first round.
  WaitForMainWindow(mainClass, process.Process());
  return started == 0 ? kStartedProgram : -1;
}

int HandActionToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                            int action) {
  HWND main = FindWindowA(mainClass, nullptr);
  if (main) {
    if (action == tw::BackupAll) {
      PostMessageA(main, tw::kMsgMainBackup, 0, 0);
    } else if (action == tw::BackupAllAndShutdown) {
      PostMessageA(main, tw::kMsgMainBackup, 0, 1);
    } else {
      ShowWindow(main, SW_SHOWNORMAL);
      BringWindowToTop(main);
    }
    return kHandedToRunningProgram;
  }
  char path[kProgramPathSize];
  char commandLine[kProgramCommandLineSize];
  if (BuildProgramPath(directory, mainFile, path, sizeof path) != 0 ||
      BuildActionCommandLine(path, action, commandLine, sizeof commandLine) != 0)
    return -1;
  StartedProcess process;
  return process.Start(path, commandLine, -1) == 0 ? kStartedProgram : -1;
}
