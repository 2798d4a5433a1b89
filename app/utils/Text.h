#pragma once
// Text and encoding helpers. Pure functions: safe on any thread, never throw
// for bad input (a failed conversion gives an empty result).

#include <windows.h>

#include <cstdint>
#include <string>

namespace Utils {

// UTF-16 to a multi-byte encoding; CP_ACP for names handed to narrow file APIs.
std::string ToUtf8(const std::wstring& text, UINT code_page = CP_UTF8);
// A multi-byte encoding to UTF-16.
std::wstring FromMultiByte(const std::string& bytes, UINT code_page = CP_UTF8);
// Strict UTF-8 to UTF-16: empty when the bytes are not valid UTF-8.
std::wstring Utf8Convert(const std::string& bytes);

std::wstring Trim(const std::wstring& text);
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);
bool StartsWith(const std::wstring& text, const std::wstring& prefix);

// Form-style encoding of the UTF-8 bytes: 33..126 stay, space becomes "+",
// everything else "%XX" with upper-case digits.
std::wstring UrlEncode(const std::wstring& text);
// The path segment before the last one ("abc" for ".../abc/setup.exe"); empty
// when the address has fewer than two "/".
std::string UrlParentSegment(const std::string& address);
std::wstring ToDecimal(uint32_t number);

}  // namespace Utils
