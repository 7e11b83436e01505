// The coarse monotonic clock, read from the vDSO without a system call.
#include "database/monotonic_clock.h"

#include <time.h>

unsigned long MonotonicMilliseconds() {
  struct timespec now;
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0) return 0;
  return (unsigned long)now.tv_sec * 1000ul + (unsigned long)(now.tv_nsec / 1000000);
}
