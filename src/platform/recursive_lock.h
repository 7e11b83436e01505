// RecursiveLock: a lock re-enterable by the thread holding it (a critical
// section on Windows, a recursive mutex natively); the engine's per-database
// lock and the scheduler's locks. The system's object lives in storage of the
// lock's own, so that this header names no system header.
#pragma once

class RecursiveLock {
 public:
  RecursiveLock();
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;
  void Enter();
  void Leave();

  // Room for a CRITICAL_SECTION (24 bytes, 40 on x86_64) or a
  // std::recursive_mutex (40 bytes natively); each implementation checks
  // that its object fits.
  static const unsigned StorageSize = 64;
  static const unsigned StorageAlignment = 8;

 private:
  alignas(StorageAlignment) unsigned char storage_[StorageSize];
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
