// Named-mutex single instance (Windows 95 and NT 4.0 have named mutexes).
#include "common/single_instance.h"

namespace {

const DWORD kPollMs = 100;

}  // namespace

SingleInstance::SingleInstance(const char* name) : mutex_(CreateMutexA(nullptr, TRUE, name)), owned_(false) {
  // An existing mutex is opened, not taken, whatever the second argument says.
  owned_ = mutex_.IsOpen() && GetLastError() != ERROR_ALREADY_EXISTS;
  // Without a mutex at all the program runs as it did before there was one.
  if (!mutex_.IsOpen()) owned_ = true;
}

SingleInstance::~SingleInstance() {
  if (owned_ && mutex_.IsOpen()) ReleaseMutex(mutex_.Get());
}

bool SingleInstance::WaitForOwnerToEnd(const char* windowClass, DWORD timeoutMs) {
  if (owned_) return true;
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD waited = WaitForSingleObject(mutex_.Get(), kPollMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      owned_ = true;
      return true;
    }
    if (FindWindowA(windowClass, nullptr)) return false;
    if (GetTickCount() - start >= timeoutMs) return false;
  }
}

bool InstanceRunning(const char* name) {
  return OwnedHandle(OpenMutexA(SYNCHRONIZE, FALSE, name)).IsOpen();
}
