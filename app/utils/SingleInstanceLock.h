#pragma once
// A named, process-wide lock that tells whether another installer runs.
// Owned by the entry point for the whole run; not shared between threads.

#include <windows.h>

#include <string>

namespace Utils {

class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(std::wstring name) : name_(std::move(name)) {}
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Creates the mutex "D1A547DB89C0BC61_<name>", initially owned. When it
  // already existed, another process holds it and this lock stays unheld.
  bool Acquire();
  bool IsHeld() const { return handle_ != nullptr; }
  void Release();
  static std::wstring MutexName(const std::wstring& name);

 private:
  std::wstring name_;
  HANDLE handle_ = nullptr;
};

}  // namespace Utils
