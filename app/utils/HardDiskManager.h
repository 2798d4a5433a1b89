#pragma once
// Free space on a drive. One object per query; not shared between threads.

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;

  // Fills the three fields for a root such as "C:"; logs and returns false
  // when the system cannot tell.
  bool CheckFreeSpace(const std::wstring& root);

  uint64_t free_bytes_available = 0;  // free to the calling user
  uint64_t total_bytes = 0;
  uint64_t total_free_bytes = 0;
};

}  // namespace Utils
