// The uninstaller's process globals.
#include "uninstall/uninstall_state.h"

namespace pw {

HINSTANCE InstanceHandle = nullptr;
char ProgramPath[PathBufferSize] = "";
int IsNtFamily = 0;
HWND DialogWindow = nullptr;
volatile LONG WorkerState = 0;
char TempDirectory[PathBufferSize] = "";

int DetectNtFamily() { return (GetVersion() & 0x80000000u) == 0 ? 1 : 0; }

}  // namespace pw
