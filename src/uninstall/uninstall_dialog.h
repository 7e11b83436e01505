// The uninstaller's modal dialog (template 101): confirmation, progress bar,
// and the guard that keeps a running removal from being cut off. Its
// UninstallerState comes as the dialog's creation parameter.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "uninstall/uninstaller_state.h"

namespace pw {

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Moves window to the middle of the full-screen client area (never to a
// negative coordinate), size unchanged.
void CenterWindow(HWND window);

// After the user confirmed: disables both buttons and starts the worker.
// Returns false when the worker could not be started; the buttons are then
// enabled again and the dialog accepts Exit as before.
bool BeginRemoval(UninstallerState& state, HWND dialog);

}  // namespace pw
#endif
