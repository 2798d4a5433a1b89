#pragma once
// Thin wrappers over the platform's own locks, usable with the standard
// lock guards. The C++ library's mutexes sit on a portable threads layer
// here that costs several times more per uncontended lock, and records are
// queued at a rate where that shows.
//
// RecursiveLock: may be taken again by the thread holding it; blocks other
// threads until released as often as taken. SharedLock: many readers or one
// writer, not recursive. Neither may be copied; both are usable from any
// thread.

#include <windows.h>

namespace usage_analytics {

class RecursiveLock {
 public:
  RecursiveLock() { InitializeCriticalSection(&section_); }
  ~RecursiveLock() { DeleteCriticalSection(&section_); }
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class SharedLock {
 public:
  SharedLock() = default;
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }
  void lock_shared() { AcquireSRWLockShared(&lock_); }
  void unlock_shared() { ReleaseSRWLockShared(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace usage_analytics
