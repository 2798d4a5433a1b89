#pragma once
// The product's values under HKEY_CURRENT_USER\Software\OrvaneSoft\Kestrima.
// Safe on any thread; failures give false.

#include <string>

namespace Utils {

extern const wchar_t kProductRegistryKey[];

bool RegWriteString(const std::wstring& name, const std::wstring& text);
// True and the text when the key and value exist; the value's type is not
// checked.
bool RegReadString(const std::wstring& name, std::wstring* text);

}  // namespace Utils
