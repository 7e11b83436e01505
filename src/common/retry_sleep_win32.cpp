// Waiting between attempts, with the platform's sleep.
#include "common/retry_sleep.h"

#include <windows.h>

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }
