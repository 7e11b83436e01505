// The tick count: milliseconds since Windows started, at the timer's resolution.
#include <windows.h>

#include "database/monotonic_clock.h"

unsigned long MonotonicMilliseconds() { return GetTickCount(); }
