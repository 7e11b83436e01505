// Purgewell: the product's uninstaller. Removal mode shows the uninstall
// dialog; finishing mode (argument text "-<path>") is the temporary copy that
// deletes the installed uninstaller. Every way out ends with exit code 0.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "platform/path_rules.h"
#include "common/string_table.h"
#include "uninstall/argument_text.h"
#include "uninstall/product_registry.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/self_deletion.h"
#include "uninstall/uninstall_dialog.h"
#include "uninstall/uninstall_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace pw;
  InstanceHandle = instance;
  DWORD n = GetModuleFileNameA(nullptr, ProgramPath, PathBufferSize);
  if (n == 0 || n >= PathBufferSize) ProgramPath[0] = '\0';
  // Taken from the full command line so that the rule for the program name
  // (quoted or not) is ours, not the start-up code's.
  const char* arguments = ArgumentText(GetCommandLineA());
  if (IsFinishingMode(arguments)) {
    FinishRemoval(arguments + 1);
    return 0;
  }
  char* slash = FindLastCharacter(ProgramPath, '\\');
  if (slash) *slash = '\0';
  InitCommonControls();
  IsNtFamily = DetectNtFamily();
  if (TestRegistryWriteAccess() == 1) {
    MessageBoxA(nullptr, kNoRightsText, LoadText(IDS_PRODUCT_NAME), MB_OK | MB_ICONERROR);
    return 0;
  }
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL), nullptr, UninstallDialogProc, 0);
  return 0;
}
