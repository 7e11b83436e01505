// Waiting between attempts, for the native build of the tools and tests.
#include "platform/sleep.h"

#include <errno.h>
#include <time.h>

void SleepMilliseconds(unsigned milliseconds) {
  struct timespec rest;
  rest.tv_sec = milliseconds / 1000;
  rest.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
  }
}
