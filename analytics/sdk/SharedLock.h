#pragma once
// A reader-writer lock over the platform's slim lock, usable with
// std::shared_lock and std::unique_lock; cheaper here than the C++ library's
// shared mutex.
//
// Any thread may take it: many at once in shared mode, or one alone in
// exclusive mode. It is not recursive in either mode: a thread must not take
// it again while holding it. Not copyable.

#include <windows.h>

namespace usage_analytics {

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
