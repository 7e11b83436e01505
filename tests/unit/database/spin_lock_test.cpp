// LockSlots: no owner, any thread may release; indexes outside the table are
// ignored.
#include "platform/spin_lock.h"

#include <gtest/gtest.h>

#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <atomic>
#include <chrono>
#include <thread>
#endif

namespace {

// A lock fault shows as a wait that never ends: each case runs on a thread of
// its own and fails when it has not finished within this time.
const int FinishWithinMs = 10000;

#ifdef _WIN32
DWORD WINAPI RunWork(LPVOID work) {
  reinterpret_cast<void (*)()>(work)();
  return 0;
}
#endif

// True when work finished in time. A thread that hangs is left behind.
bool FinishesInTime(void (*work)()) {
#ifdef _WIN32
  HANDLE thread = CreateThread(nullptr, 0, RunWork, reinterpret_cast<LPVOID>(work), 0, nullptr);
  if (!thread) return false;
  bool done = WaitForSingleObject(thread, FinishWithinMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return done;
#else
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([work, done] {
    work();
    *done = true;
  });
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(FinishWithinMs);
  while (!*done && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (*done) thread.join();
  else thread.detach();
  return *done;
#endif
}

TEST(LockSlot, ReleasedByAnotherThread) {
  AcquireLockSlot(2);
  ASSERT_TRUE(FinishesInTime([] { ReleaseLockSlot(2); }));
  // Waits for ever if the other thread's release had not freed the slot.
  EXPECT_TRUE(FinishesInTime([] {
    AcquireLockSlot(2);
    ReleaseLockSlot(2);
  }));
}

TEST(LockSlot, OutOfRangeIndexesDoNothing) {
  EXPECT_TRUE(FinishesInTime([] {
    AcquireLockSlot(-1);
    AcquireLockSlot(LockSlotCount);
    AcquireLockSlot(-1);  // not held, so no wait
    ReleaseLockSlot(LockSlotCount + 5);
  }));
}

TEST(LockSlot, SlotsAreIndependent) {
  EXPECT_TRUE(FinishesInTime([] {
    LockSlotHolder a(3);
    LockSlotHolder b(4);
  }));
  SpinLockWord word = 0;
  {
    SpinLockHolder hold(&word);
    EXPECT_EQ(word, 1);
  }
  EXPECT_EQ(word, 0);
}

}  // namespace
