// Waiting between attempts, with the platform's sleep.
#include "platform/sleep.h"

#include <windows.h>

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }
