#pragma once
// Queries about the system, the process and its user. Each returns a neutral
// value (false, empty text) on failure and never throws; safe on any thread.

#include <string>

namespace Utils {

struct OsName {
  std::wstring product;  // always "Windows"
  std::wstring version;  // "XP", "7", "10", "10+", or "major.minor.build"
};

// Classifies version numbers as the system reports them; split out so that
// every row of the table can be checked without that system at hand.
std::wstring OsVersionText(unsigned major, unsigned minor, unsigned build, bool server_r2);

OsName GetOsName();
bool Is64BitSystem();
// 32 hexadecimal digits; the third group is lower case.
std::wstring NewGuidString();
bool IsProcessAdmin();
bool GetConsoleUserName(std::wstring* user_name);
bool IsAdminAccount(const std::wstring& user_name);

}  // namespace Utils
