// Purgewell: the product's uninstaller. Removal mode shows the uninstall
// dialog; finishing mode (argument text "-<path>") is the temporary copy that
// deletes the installed uninstaller. Every way out ends with exit code 0.
#include <windows.h>
#include <commctrl.h>

#include "common/string_table.h"
#include "platform/error_mode.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"
#include "uninstall/uninstall_dialog.h"
#include "uninstall/uninstaller_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace pw;
  // Before anything looks at a path: the repository and the folders the
  // guard compares may lie on an empty card, Zip or disc drive, which must
  // read as not connected, not ask for a disk.
  TurnOffCriticalErrorBoxes();
  UninstallerState state;
  DWORD n = GetModuleFileNameA(nullptr, state.programFile, PathBufferSize);
  if (n == 0 || n >= PathBufferSize) state.programFile[0] = '\0';
  // Taken from the full command line so that the rule for the program name
  // (quoted or not) is ours, not the start-up code's.
  const char* arguments = ArgumentText(GetCommandLineA());
  if (IsFinishingMode(arguments)) {
    FinishRemoval(state.programFile, arguments + 1);
    return 0;
  }
  CutAtLastBackslash(state.programFile, state.installDirectory, sizeof state.installDirectory);
  InitCommonControls();
  if (!CanWriteMachineSettings()) {
    MessageBoxA(nullptr, kNoRightsText, LoadText(IDS_PRODUCT_NAME), MB_OK | MB_ICONERROR);
    return 0;
  }
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL), nullptr, UninstallDialogProc,
                  reinterpret_cast<LPARAM>(&state));
  return 0;
}
