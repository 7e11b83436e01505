// RecursiveLock: the per-database lock, re-enterable by the thread holding it
// (a critical section on Windows, a recursive mutex natively).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

class RecursiveLock {
 public:
  RecursiveLock();
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;
  void Enter();
  void Leave();

 private:
#ifdef _WIN32
  CRITICAL_SECTION section_;
#else
  std::recursive_mutex mutex_;
#endif
};

// Holds a RecursiveLock for one scope.
class RecursiveLockHolder {
 public:
  explicit RecursiveLockHolder(RecursiveLock& lock) : lock_(lock) { lock_.Enter(); }
  ~RecursiveLockHolder() { lock_.Leave(); }
  RecursiveLockHolder(const RecursiveLockHolder&) = delete;
  RecursiveLockHolder& operator=(const RecursiveLockHolder&) = delete;

 private:
  RecursiveLock& lock_;
};
