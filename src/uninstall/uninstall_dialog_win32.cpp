// Dialog procedure of the uninstall dialog. It only turns messages into calls;
// the removal itself is the worker's.
#include "uninstall/uninstall_dialog.h"

#include <commctrl.h>

#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/uninstall_worker.h"

namespace pw {
namespace {

UninstallerState* StateOf(HWND dialog) {
  return reinterpret_cast<UninstallerState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void EnableButtons(HWND dialog, BOOL enable) {
  EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL_BUTTON), enable);
  EnableWindow(GetDlgItem(dialog, IDC_EXIT_BUTTON), enable);
  // The close box follows the Exit button, so that it does not invite a click
  // that is going to be ignored.
  HMENU menu = GetSystemMenu(dialog, FALSE);
  if (menu) EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void OnUninstall(UninstallerState& state, HWND dialog) {
  if (state.removalRunning) return;
  if (MessageBoxA(dialog, kConfirmText, kConfirmCaption, MB_YESNO | MB_ICONWARNING) != IDYES) return;
  if (!BeginRemoval(state, dialog)) MessageBoxA(dialog, kWorkerFailedText, kErrorCaption, MB_OK | MB_ICONERROR);
}

// Swallows a message while the removal runs; the dialog result is 0.
INT_PTR Ignored(HWND dialog) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
  return TRUE;
}

}  // namespace

bool BeginRemoval(UninstallerState& state, HWND dialog) {
  state.removalRunning = true;
  EnableButtons(dialog, FALSE);
  if (StartWorker(state)) return true;
  state.removalRunning = false;
  EnableButtons(dialog, TRUE);
  return false;
}

void CenterWindow(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  MoveWindow(window, x, y, width, height, TRUE);
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    UninstallerState* state = reinterpret_cast<UninstallerState*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    SendDlgItemMessageA(dialog, IDC_REMOVAL_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, REMOVAL_PROGRESS_END));
    CenterWindow(dialog);
    state->dialog = dialog;
    return TRUE;
  }
  UninstallerState* state = StateOf(dialog);
  if (!state) return FALSE;
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_UNINSTALL_BUTTON:
          OnUninstall(*state, dialog);
          return TRUE;
        case IDC_EXIT_BUTTON:  // also Escape and the close box (IDCANCEL)
          if (state->removalRunning) return Ignored(dialog);
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      if (state->removalRunning) return Ignored(dialog);
      return FALSE;
    case WM_SYSCOMMAND:
      if (state->removalRunning && (wParam & 0xFFF0) == SC_CLOSE) return Ignored(dialog);
      return FALSE;
    case kWorkerNoticeMessage: {
      const WorkerNotice* notice = reinterpret_cast<const WorkerNotice*>(lParam);
      MessageBoxA(dialog, notice->text, notice->caption, notice->type);
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_APP:
      state->removalRunning = false;
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace pw
