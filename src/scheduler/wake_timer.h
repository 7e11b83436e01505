// The waitable timer that wakes the computer from standby or hibernation for
// a daily backup, and keeping a woken computer awake. Windows 98, 2000 and
// later have them; elsewhere the functions are missing (Windows 95) or the
// timer cannot wake (NT 4.0 says so), found at run time.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "platform/handles.h"

enum class WakeArming {
  Armed,
  CannotWake,   // armed, but the system says it cannot wake the computer by it (error 50 or 722)
  Unavailable,  // no such timers, or none could be made or set
};

class WakeTimer {
 public:
  // Arms (again) for an absolute universal time in 100 ns since 1601; error
  // receives what the system said when it is not Armed.
  WakeArming Arm(int64_t dueFileTime, unsigned long* error);
  void Cancel();

 private:
  OwnedHandle timer_;
};

// SetThreadExecutionState: the system stays up (awake true) or may sleep
// again; false where the function is missing (Windows 95, NT 4.0).
bool KeepSystemAwake(bool awake);
