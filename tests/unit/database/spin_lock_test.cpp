// LockSlots: no owner, any thread may release; indexes outside the table are
// ignored.
#include "database/spin_lock.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace {

#ifdef _WIN32
DWORD WINAPI RunWork(LPVOID work) {
  reinterpret_cast<void (*)()>(work)();
  return 0;
}
#endif

void RunOnOtherThread(void (*work)()) {
#ifdef _WIN32
  HANDLE thread = CreateThread(nullptr, 0, RunWork, reinterpret_cast<LPVOID>(work), 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
#else
  std::thread(work).join();
#endif
}

TEST(LockSlot, ReleasedByAnotherThread) {
  AcquireLockSlot(2);
  RunOnOtherThread([] { ReleaseLockSlot(2); });
  // Would wait for ever if the other thread's release had not freed it.
  AcquireLockSlot(2);
  ReleaseLockSlot(2);
}

TEST(LockSlot, OutOfRangeIndexesDoNothing) {
  AcquireLockSlot(-1);
  AcquireLockSlot(LockSlotCount);
  AcquireLockSlot(-1);  // not held, so no wait
  ReleaseLockSlot(LockSlotCount + 5);
}

TEST(LockSlot, SlotsAreIndependent) {
  LockSlotHolder a(3);
  LockSlotHolder b(4);
  SpinLockWord word = 0;
  {
    SpinLockHolder hold(&word);
    EXPECT_EQ(word, 1);
  }
  EXPECT_EQ(word, 0);
}

}  // namespace
