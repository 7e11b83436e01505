// Process-wide locks: SpinLock on a lock word, and the 256
// LockSlots (slot 2 guards the open-database table). Neither is re-entrant nor
// owned: any thread may release. Waits sleep 10 ms per attempt, without end.
#pragma once

typedef volatile long SpinLockWord;

const int LockSlotCount = 256;
const unsigned SpinLockSleepMilliseconds = 10;

void AcquireSpinLock(SpinLockWord* word);
void ReleaseSpinLock(SpinLockWord* word);

// Indexes outside 0..255 do nothing.
void AcquireLockSlot(int index);
void ReleaseLockSlot(int index);

// Holds a SpinLock for one scope.
class SpinLockHolder {
 public:
  explicit SpinLockHolder(SpinLockWord* word) : word_(word) { AcquireSpinLock(word_); }
  ~SpinLockHolder() { ReleaseSpinLock(word_); }
  SpinLockHolder(const SpinLockHolder&) = delete;
  SpinLockHolder& operator=(const SpinLockHolder&) = delete;

 private:
  SpinLockWord* word_;
};

// Holds a LockSlot for one scope.
class LockSlotHolder {
 public:
  explicit LockSlotHolder(int index) : index_(index) { AcquireLockSlot(index_); }
  ~LockSlotHolder() { Release(); }
  // Lets the slot go before the end of the scope.
  void Release() {
    if (index_ >= 0) ReleaseLockSlot(index_);
    index_ = -1;
  }
  LockSlotHolder(const LockSlotHolder&) = delete;
  LockSlotHolder& operator=(const LockSlotHolder&) = delete;

 private:
  int index_;
};
