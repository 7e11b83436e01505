// One running copy of a program per session, marked by a named mutex that the
// program takes before anything else: a window appears only after start-up
// work (settings, pictures), so looking for the window alone lets two copies
// started at once both run.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "platform/handles.h"

class SingleInstance {
 public:
  // Takes (or opens) the named mutex; this copy owns it when no other copy holds it.
  explicit SingleInstance(const char* name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool Owned() const { return owned_; }

  // For a copy that does not own the mutex: waits, at most timeoutMs, until
  // either the owner lets go (it ended; this copy now owns the mutex and
  // true is returned) or a window of windowClass exists (the owner is up;
  // false). False also when the time runs out.
  bool WaitForOwnerToEnd(const char* windowClass, DWORD timeoutMs);

 private:
  OwnedHandle mutex_;
  bool owned_;
};

// True while some copy holds the named mutex.
bool InstanceRunning(const char* name);
#endif
