// RecursiveLock over a critical section.
#include "database/recursive_lock.h"

RecursiveLock::RecursiveLock() { InitializeCriticalSection(&section_); }
RecursiveLock::~RecursiveLock() { DeleteCriticalSection(&section_); }
void RecursiveLock::Enter() { EnterCriticalSection(&section_); }
void RecursiveLock::Leave() { LeaveCriticalSection(&section_); }
