#include "app/utils/CommandLineMap.h"

#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>

namespace Utils {

CommandLineMap CommandLineMap::Parse(const std::wstring& command_line) {
  CommandLineMap map;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(command_line.c_str(), &count);
  if (!args) return map;
  for (int i = 0; i < count; ++i) {
    const std::wstring arg(args[i]);
    const size_t eq = arg.find(L'=');
    if (!arg.empty() && arg[0] == L'-' && eq != std::wstring::npos) {
      map.values_.emplace(arg.substr(0, eq), arg.substr(eq + 1));
    } else {
      map.values_.emplace(arg, std::wstring());
    }
  }
  LocalFree(args);
  return map;
}

std::wstring CommandLineMap::GetString(const std::wstring& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? std::wstring() : it->second;
}

int CommandLineMap::GetInt(const std::wstring& key) const {
  int value = 0;
  const auto it = values_.find(key);
  if (it == values_.end() || !ParseLeadingInt(it->second, &value)) return 0;
  return value;
}

bool CommandLineMap::GetBool(const std::wstring& key) const {
  const auto it = values_.find(key);
  return it != values_.end() && it->second == L"true";
}

double CommandLineMap::GetDouble(const std::wstring& key, double fallback) const {
  double value = 0;
  const auto it = values_.find(key);
  if (it == values_.end() || !ParseLeadingDouble(it->second, &value)) return fallback;
  return value;
}

bool ParseLeadingInt(const std::wstring& text, int* out) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const long long value = std::wcstoll(begin, &end, 10);
  if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseLeadingDouble(const std::wstring& text, double* out) {
  // Only plain decimal numbers count: "inf", "nan" and hexadecimal forms
  // would give a progress share that cannot be drawn.
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
  if (i >= text.size() || !(std::iswdigit(text[i]) || text[i] == L'.')) return false;
  if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
    *out = 0.0;  // "0x1" is the number 0 followed by other characters.
    return true;
  }
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const double value = std::wcstod(begin, &end);
  if (end == begin || errno == ERANGE || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

}  // namespace Utils
