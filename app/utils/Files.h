#pragma once
// File hashing and folder helpers. Safe on any thread; failures give empty
// text or false, never exceptions.

#include <string>

namespace Utils {

// MD5 of the file's bytes as 32 lower-case hexadecimal digits; empty when the
// path is empty or the file cannot be opened. A read error ends the input.
std::wstring FileMd5(const std::wstring& path);

// The private temporary folder "<temp>\~OrvaneTemp.92482B06FB471E17\",
// created when missing (one level). Empty when it cannot be had.
std::wstring GetTempFolder();

// Creates the folder and every missing parent; paths over 260 characters fail
// without creating anything. Only "\" separates levels.
bool CreateDirectoryTree(const std::wstring& path);

}  // namespace Utils
