// SpinLock and LockSlots over atomic exchange; the 10 ms pause is the only
// platform call.
#include "database/spin_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

struct LockSlot {
  SpinLockWord Lock;
  SpinLockWord Guard;
};
LockSlot g_lockSlots[LockSlotCount];

long ExchangeWord(SpinLockWord* word, long value) {
#ifdef _WIN32
  return InterlockedExchange(const_cast<LONG*>(word), value);
#else
  return __atomic_exchange_n(word, value, __ATOMIC_ACQ_REL);
#endif
}

void PauseBeforeRetry() {
#ifdef _WIN32
  Sleep(SpinLockSleepMilliseconds);
#else
  struct timespec pause = {0, (long)SpinLockSleepMilliseconds * 1000000L};
  nanosleep(&pause, nullptr);
#endif
}

}  // namespace

void AcquireSpinLock(SpinLockWord* word) {
  while (ExchangeWord(word, 1) == 1) PauseBeforeRetry();
}

void ReleaseSpinLock(SpinLockWord* word) { ExchangeWord(word, 0); }

void AcquireLockSlot(int index) {
  if (index < 0 || index >= LockSlotCount) return;
  LockSlot& slot = g_lockSlots[index];
  for (;;) {
    AcquireSpinLock(&slot.Guard);
    long was = ExchangeWord(&slot.Lock, 1);
    ReleaseSpinLock(&slot.Guard);
    if (was == 0) return;
    PauseBeforeRetry();
  }
}

void ReleaseLockSlot(int index) {
  if (index < 0 || index >= LockSlotCount) return;
  ExchangeWord(&g_lockSlots[index].Lock, 0);
}
