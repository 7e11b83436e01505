// The uninstaller's process state in one structure: made by WinMain, handed
// to the dialog (its DWLP_USER) and to the worker (its thread argument); a
// test makes a fresh one. Written by the dialog's thread before the worker
// starts and only read afterwards, except the worker's phase, which both
// threads write.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "platform/handles.h"
#include "platform/path_rules.h"

namespace pw {

// Where the removal worker is. The dialog's thread looks only while it waits
// for a worker it started to begin.
enum class WorkerPhase : LONG { Idle = 0, Starting = 1, Running = 2 };

class WorkerStatus {
 public:
  WorkerPhase Get() const { return static_cast<WorkerPhase>(value_); }
  void Set(WorkerPhase phase) { InterlockedExchange(&value_, static_cast<LONG>(phase)); }

 private:
  volatile LONG value_ = static_cast<LONG>(WorkerPhase::Idle);
};

// Starts a thread running routine(argument); returns its handle or null.
using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine, void* argument);
HANDLE StartThreadWithCreateThread(LPTHREAD_START_ROUTINE routine, void* argument);

// The temporary copy between PrepareTemporaryCopy and StartTemporaryCopy. Its
// file is open for reading and shared for reading only, and on the NT family
// its folder is open without delete sharing: from the check of its bytes
// until it runs, nobody can write over the file, or rename or delete it or
// its folder and put another in its place.
struct TemporaryCopy {
  char folder[PathBufferSize] = "";  // the folder this run made, while it is there
  char file[PathBufferSize] = "";    // the checked copy, while it waits to be started
  OwnedHandle fileLock;
  OwnedHandle folderLock;
};

struct UninstallerState {
  // The running module's full path: in finishing mode the temporary copy's.
  char programFile[PathBufferSize] = "";
  // Removal mode: the uninstaller's folder without a trailing '\' (the whole
  // module path when it holds none).
  char installDirectory[PathBufferSize] = "";
  // The platform's temporary folder without its trailing '\', once asked.
  char tempDirectory[PathBufferSize] = "";
  HWND dialog = nullptr;
  WorkerStatus worker;
  // From a confirmed start until the dialog ends: cancelling is ignored.
  bool removalRunning = false;
  // Tests put in one that cannot start a thread.
  ThreadStarter startThread = StartThreadWithCreateThread;
  TemporaryCopy copy;
};

}  // namespace pw
#endif
