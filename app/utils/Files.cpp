#include "app/utils/Files.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "app/utils/Md5.h"
#include "app/utils/Text.h"

namespace Utils {

std::wstring FileMd5(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  // The file is opened by its UTF-16 name: a package path under a user folder
  // whose name the ANSI code page cannot spell must still hash.
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return std::wstring();
  // A larger stdio buffer keeps system calls rare; the digest itself is fed
  // in blocks of 1024 bytes.
  std::vector<char> io_buffer(256 * 1024);
  setvbuf(file, io_buffer.data(), _IOFBF, io_buffer.size());
  Md5 md5;
  unsigned char block[1024];
  size_t got;
  while ((got = fread(block, 1, sizeof block, file)) > 0) md5.Update(block, got);
  fclose(file);
  const std::string hex = md5.FinishHex();
  return std::wstring(hex.begin(), hex.end());
}

std::wstring GetTempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  std::wstring folder(temp);
  if (folder.back() != L'\\') folder.push_back(L'\\');
  folder += L"~OrvaneTemp.92482B06FB471E17\\";
  if (!PathFileExistsW(folder.c_str()) && !CreateDirectoryW(folder.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::wstring();
  }
  return folder;
}

bool CreateDirectoryTree(const std::wstring& path) {
  if (path.empty() || path.size() > MAX_PATH) return false;
  for (size_t i = 0; i <= path.size(); ++i) {
    const bool level_end =
        (i < path.size() && path[i] == L'\\') || (i == path.size() && path.back() != L'\\');
    if (!level_end) continue;
    const std::wstring prefix = path.substr(0, i < path.size() ? i + 1 : i);
    if (PathFileExistsW(prefix.c_str())) continue;
    if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
}

}  // namespace Utils
