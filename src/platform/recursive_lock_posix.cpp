// RecursiveLock over std::recursive_mutex.
#include "platform/recursive_lock.h"

#include <mutex>
#include <new>

namespace {

static_assert(sizeof(std::recursive_mutex) <= RecursiveLock::StorageSize &&
                  alignof(std::recursive_mutex) <= RecursiveLock::StorageAlignment,
              "the mutex fits the lock's storage");

std::recursive_mutex* MutexIn(unsigned char* storage) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}

}  // namespace

RecursiveLock::RecursiveLock() { new (storage_) std::recursive_mutex(); }
RecursiveLock::~RecursiveLock() { MutexIn(storage_)->~recursive_mutex(); }
void RecursiveLock::Enter() { MutexIn(storage_)->lock(); }
void RecursiveLock::Leave() { MutexIn(storage_)->unlock(); }
