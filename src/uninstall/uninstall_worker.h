// The removal sequence, run on a worker thread while the dialog's progress bar
// advances.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

// Starts a thread running routine; returns its handle or null. Tests replace
// it to see how the dialog copes with a thread that cannot be started.
using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine);
extern ThreadStarter StartThread;

// Starts UninstallWorker and returns 0 once it runs, or -1 at once when the
// thread cannot be started (WorkerState is then back at 0).
int StartWorker();

// The removal sequence; posts WM_APP to DialogWindow at its end. A folder it
// keeps for safety (the repository, or "help" and "config" beside an
// uninstaller started from a root or system folder) is named to the user in a
// box owned by the dialog before it goes on, and a kept repository keeps
// RepositoryConfig.txt, which names it. So is the uninstaller's own folder
// when no checked temporary copy could be started to remove it.
DWORD WINAPI UninstallWorker(LPVOID);

// Sends the progress position to the dialog's progress bar.
void SetProgress(int position);

}  // namespace pw
#endif
