#include "app/utils/HardDiskManager.h"

#include <windows.h>

#include "app/log/DebugLog.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& root) {
  ULARGE_INTEGER available, total, free_total;
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free_total)) {
    DEBUG_LOG(L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n",
              static_cast<long>(GetLastError()));
    return false;
  }
  free_bytes_available = available.QuadPart;
  total_bytes = total.QuadPart;
  total_free_bytes = free_total.QuadPart;
  return true;
}

}  // namespace Utils
