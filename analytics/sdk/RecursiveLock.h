#pragma once
// A recursive lock over the platform's critical section, usable with the
// standard lock guards. The C++ library's mutexes sit on a portable threads
// layer here that costs several times more per uncontended lock, and records
// are queued at a rate where that shows.
//
// Any thread may take it; the thread holding it may take it again and must
// release it as often. Other threads block until it is free. Not copyable.

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

}  // namespace usage_analytics
