// Routes 2 and 3 of a launch request: the running main program's window, or a
// newly started main program.
#include "common/main_program_launch.h"

#include "common/main_program_command.h"
#include "common/message_wait.h"
#include "common/program_messages.h"
#include "common/started_process.h"

namespace {

constexpr int kWaitRounds = 500;
constexpr DWORD kWaitRoundMs = 20;

// The main program this process started last, until it is known to be up,
// gone, or older than kRecentStartMilliseconds.
struct RecentStart {
  HANDLE process = nullptr;
  DWORD startedAt = 0;
  void Forget() {
    if (process) CloseHandle(process);
    process = nullptr;
  }
  void Remember(HANDLE started) {
    Forget();
    process = started;
    startedAt = GetTickCount();
  }
};
RecentStart g_recent;

// The window of the program started last, waited for while that program runs
// and is younger than kRecentStartMilliseconds; null when there is none. The
// waits answer this thread's messages.
HWND WindowOfRecentStart(const char* mainClass) {
  while (g_recent.process) {
    if (HWND main = FindWindowA(mainClass, nullptr)) return main;
    const DWORD age = GetTickCount() - g_recent.startedAt;
    if (age >= kRecentStartMilliseconds) {
      g_recent.Forget();
      break;
    }
    const MessageWait waited = WaitDispatchingMessages(g_recent.process, kWaitRoundMs);
    if (waited == MessageWait::Ended) return nullptr;
    if (waited != MessageWait::TimedOut) g_recent.Forget();
  }
  return FindWindowA(mainClass, nullptr);
}

// Nothing more is started once the program is ending.
bool Ending() { return MessageWaitsEnded(); }

}  // namespace

void WaitForMainWindow(const char* mainClass, HANDLE process) {
  for (int round = 0; round < kWaitRounds; ++round) {
    if (FindWindowA(mainClass, nullptr)) return;
    if (WaitDispatchingMessages(process, kWaitRoundMs) != MessageWait::TimedOut) return;
  }
}

int HandBackupSetToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                               int setNumber) {
  HWND main = WindowOfRecentStart(mainClass);
  if (main) {
    PostMessageA(main, tw::kMsgMainBackup, 1, static_cast<LPARAM>(setNumber));
    return kHandedToRunningProgram;
  }
  if (Ending()) return -1;
  char path[kProgramPathSize];
  char commandLine[kProgramCommandLineSize];
  if (BuildProgramPath(directory, mainFile, path, sizeof path) != 0 ||
      BuildBackupSetCommandLine(path, setNumber, commandLine, sizeof commandLine) != 0)
    return -1;
  StartedProcess process;
  int started = process.Start(path, commandLine, SW_MINIMIZE);
  // A failed start leaves no process: the wait ends in its first round.
  WaitForMainWindow(mainClass, process.Process());
  if (started != 0) return -1;
  g_recent.Remember(process.ReleaseProcess());
  return kStartedProgram;
}

int HandActionToMainProgram(const char* directory, const char* mainClass, const char* mainFile,
                            int action) {
  HWND main = WindowOfRecentStart(mainClass);
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
  if (Ending()) return -1;
  char path[kProgramPathSize];
  char commandLine[kProgramCommandLineSize];
  if (BuildProgramPath(directory, mainFile, path, sizeof path) != 0 ||
      BuildActionCommandLine(path, action, commandLine, sizeof commandLine) != 0)
    return -1;
  StartedProcess process;
  if (process.Start(path, commandLine, -1) != 0) return -1;
  g_recent.Remember(process.ReleaseProcess());
  return kStartedProgram;
}
