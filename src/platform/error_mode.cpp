// Critical-error boxes off. Natively there are none.
#include "platform/error_mode.h"

#ifdef _WIN32
#include <windows.h>
#endif

void TurnOffCriticalErrorBoxes() {
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
#endif
}
