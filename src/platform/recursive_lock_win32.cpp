// RecursiveLock over a critical section.
#include "platform/recursive_lock.h"

#include <windows.h>

namespace {

static_assert(sizeof(CRITICAL_SECTION) <= RecursiveLock::StorageSize &&
                  alignof(CRITICAL_SECTION) <= RecursiveLock::StorageAlignment,
              "the critical section fits the lock's storage");

CRITICAL_SECTION* SectionIn(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }

}  // namespace

RecursiveLock::RecursiveLock() { InitializeCriticalSection(SectionIn(storage_)); }
RecursiveLock::~RecursiveLock() { DeleteCriticalSection(SectionIn(storage_)); }
void RecursiveLock::Enter() { EnterCriticalSection(SectionIn(storage_)); }
void RecursiveLock::Leave() { LeaveCriticalSection(SectionIn(storage_)); }
