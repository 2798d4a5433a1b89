#pragma once
// Reading the values of status lines: the rules both runners share. Pure
// functions, safe on any thread.

#include <windows.h>

#include <string>

namespace StatusKeys {

// True when the line begins with the key (exact, case-sensitive); the rest
// of the line, unchanged, goes to `value`.
bool Match(const std::wstring& line, const wchar_t* key, std::wstring* value);

// A decimal fraction; 0.0 when the value does not start with a number.
double ReadDouble(const std::wstring& value);

// A delay in milliseconds, read as a signed decimal integer (0 when not a
// number) and passed on as its unsigned 32-bit reading.
double ReadDelay(const std::wstring& value);

// "NonStartup" 0, "AutoStartup" 1, "UserStartup" 2, anything else 0.
double StartupStyle(const std::wstring& value);

// The package's "Encode=": "UTF8", "ACP", or a decimal code page number. A
// value that is no number, does not fit an int, or names a code page this
// system cannot decode gives the ANSI code page, so that the output stays
// readable instead of decoding to nothing.
UINT PackageCodePage(const std::wstring& value);

// The uninstaller's "Encode=": "UTF8" or the ANSI code page.
UINT UninstallerCodePage(const std::wstring& value);

}  // namespace StatusKeys
