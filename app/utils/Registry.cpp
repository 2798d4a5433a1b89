#include "app/utils/Registry.h"

#include <windows.h>

#include <vector>

namespace Utils {

const wchar_t kProductRegistryKey[] = L"Software\\OrvaneSoft\\Kestrima";

bool RegWriteString(const std::wstring& name, const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  const LONG result = RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RegReadString(const std::wstring& name, std::wstring* text) {
  text->clear();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD bytes = 0;
  LONG result = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &bytes);
  if (result == ERROR_SUCCESS) {
    // One character more than the value, zero-filled, so that a value stored
    // without its terminating zero still reads as a whole text.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD size = bytes;
    result = RegQueryValueExW(key, name.c_str(), nullptr, nullptr,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result == ERROR_SUCCESS) text->assign(buffer.data());
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace Utils
