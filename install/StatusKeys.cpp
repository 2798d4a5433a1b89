#include "install/StatusKeys.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cwchar>

#include "app/utils/Text.h"

namespace StatusKeys {

bool Match(const std::wstring& line, const wchar_t* key, std::wstring* value) {
  const size_t length = wcslen(key);
  if (line.compare(0, length, key) != 0) return false;
  *value = line.substr(length);
  return true;
}

double ReadDouble(const std::wstring& value) {
  double number = 0.0;
  if (swscanf(value.c_str(), L"%lf", &number) != 1) return 0.0;
  return number;
}

double ReadDelay(const std::wstring& value) {
  int number = 0;
  if (swscanf(value.c_str(), L"%d", &number) != 1) number = 0;
  return static_cast<double>(static_cast<uint32_t>(number));
}

double StartupStyle(const std::wstring& value) {
  const std::wstring style = Utils::Trim(value);
  if (style == L"AutoStartup") return 1.0;
  if (style == L"UserStartup") return 2.0;
  return 0.0;
}

UINT PackageCodePage(const std::wstring& value) {
  const std::wstring text = Utils::Trim(value);
  if (text == L"UTF8") return CP_UTF8;
  if (text == L"ACP") return CP_ACP;
  errno = 0;
  wchar_t* end = nullptr;
  const long long number = wcstoll(text.c_str(), &end, 10);
  if (end == text.c_str() || errno == ERANGE || number <= 0 || number > INT_MAX) return CP_ACP;
  const UINT code_page = static_cast<UINT>(number);
  return IsValidCodePage(code_page) ? code_page : CP_ACP;
}

UINT UninstallerCodePage(const std::wstring& value) {
  return Utils::Trim(value) == L"UTF8" ? CP_UTF8 : CP_ACP;
}

}  // namespace StatusKeys
