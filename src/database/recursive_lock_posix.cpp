// RecursiveLock over std::recursive_mutex.
#include "database/recursive_lock.h"

RecursiveLock::RecursiveLock() {}
RecursiveLock::~RecursiveLock() {}
void RecursiveLock::Enter() { mutex_.lock(); }
void RecursiveLock::Leave() { mutex_.unlock(); }
