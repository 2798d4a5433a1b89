#include "app/utils/SingleInstanceLock.h"

namespace Utils {

std::wstring SingleInstanceLock::MutexName(const std::wstring& name) {
  return L"D1A547DB89C0BC61_" + name;
}

bool SingleInstanceLock::Acquire() {
  if (handle_) return true;
  HANDLE handle = CreateMutexW(nullptr, TRUE, MutexName(name_).c_str());
  if (!handle) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(handle);
    return false;
  }
  handle_ = handle;
  return true;
}

void SingleInstanceLock::Release() {
  if (!handle_) return;
  ReleaseMutex(handle_);
  CloseHandle(handle_);
  handle_ = nullptr;
}

}  // namespace Utils
