// SpinLock and LockSlots over atomic exchange; the 10 ms pause is the only
// platform call.
#include "platform/spin_lock.h"

#include "platform/sleep.h"

namespace {

struct LockSlot {
  SpinLockWord Lock;
  SpinLockWord Guard;
};
LockSlot g_lockSlots[LockSlotCount];

// A full barrier both ways, as InterlockedExchange is.
long ExchangeWord(SpinLockWord* word, long value) { return __atomic_exchange_n(word, value, __ATOMIC_SEQ_CST); }

void PauseBeforeRetry() { SleepMilliseconds(SpinLockSleepMilliseconds); }

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
