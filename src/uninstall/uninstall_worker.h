// The removal sequence, run on a worker thread while the dialog's progress bar
// advances, and the boxes the worker shows through the dialog.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "uninstall/uninstaller_state.h"

namespace pw {

// Starts UninstallWorker on state.startThread and returns true once it runs,
// or false at once when the thread cannot be started (the phase is then back
// at Idle).
bool StartWorker(UninstallerState& state);

// The removal sequence (removal_steps.h, in that order), argument being the
// UninstallerState; posts WM_APP to the dialog at its end. A folder it keeps
// for safety (the repository, or "help" and "config" beside an uninstaller
// started from a root or system folder) is named to the user before it goes
// on, and a kept repository keeps RepositoryConfig.txt, which names it. So is
// the uninstaller's own folder when no checked temporary copy could be
// started to remove it; and, once, that some files go at the next restart.
DWORD WINAPI UninstallWorker(LPVOID argument);

// Sends the progress position to the dialog's progress bar.
void SetProgress(HWND dialog, int position);

// The worker's boxes are shown by the dialog's thread, owned by the dialog, so
// that they cannot hide behind it and the worker goes on only once the user
// has read them. Sent (never posted) to the dialog; lParam points to a
// WorkerNotice that lives until the send returns. The dialog answers 1 when
// it has shown the box.
constexpr UINT kWorkerNoticeMessage = WM_APP + 1;

struct WorkerNotice {
  const char* text;
  const char* caption;
  UINT type;  // MB_* flags
};

// Shows the box through dialog and returns when it has been closed; without
// a dialog to show it, it is shown without an owner.
void ShowWorkerNotice(HWND dialog, const char* text, const char* caption, UINT type);

}  // namespace pw
#endif
