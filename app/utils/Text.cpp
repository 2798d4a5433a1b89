#include "app/utils/Text.h"

namespace Utils {

std::string ToUtf8(const std::wstring& text, UINT code_page) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                          nullptr, nullptr) != size) {
    return std::string();
  }
  return out;
}

std::wstring FromMultiByte(const std::string& bytes, UINT code_page) {
  if (bytes.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  if (MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0],
                          size) != size) {
    return std::wstring();
  }
  return out;
}

std::wstring Utf8Convert(const std::string& bytes) {
  // MB_ERR_INVALID_CHARS makes the system converter reject malformed input
  // (overlong forms, surrogates, truncated sequences) instead of replacing it.
  if (bytes.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                          static_cast<int>(bytes.size()), &out[0], size) != size) {
    return std::wstring();
  }
  return out;
}

std::wstring Trim(const std::wstring& text) {
  static const wchar_t kSpace[] = L" \t\n\v\f\r";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::wstring::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring UrlEncode(const std::wstring& text) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  const std::string bytes = ToUtf8(text);
  std::wstring out;
  out.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 33 && c <= 126) {
      out.push_back(static_cast<wchar_t>(c));
    } else if (c == ' ') {
      out.push_back(L'+');
    } else {
      out.push_back(L'%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string UrlParentSegment(const std::string& address) {
  const size_t last = address.rfind('/');
  if (last == std::string::npos || last == 0) return std::string();
  const size_t before = address.rfind('/', last - 1);
  if (before == std::string::npos) return std::string();
  return address.substr(before + 1, last - before - 1);
}

std::wstring ToDecimal(uint32_t number) { return std::to_wstring(number); }

}  // namespace Utils
