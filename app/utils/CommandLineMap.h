#pragma once
// The command line as a map of switches. Built once, then read-only.

#include <map>
#include <string>

namespace Utils {

class CommandLineMap {
 public:
  // Splits by the Windows rules (CommandLineToArgvW). "-key=value" gives
  // key "-key" and value "value"; any other argument, the program path
  // included, is a key with an empty value. The first occurrence of a key wins.
  static CommandLineMap Parse(const std::wstring& command_line);

  bool Has(const std::wstring& key) const { return values_.count(key) != 0; }
  // Empty when absent.
  std::wstring GetString(const std::wstring& key) const;
  // Decimal integer from the start of the value; 0 when absent, not a
  // number, or out of range.
  int GetInt(const std::wstring& key) const;
  // True only for the exact value "true".
  bool GetBool(const std::wstring& key) const;
  // Decimal floating-point number from the start of the value; `fallback`
  // when absent, not a number, out of range or not finite.
  double GetDouble(const std::wstring& key, double fallback) const;

  const std::map<std::wstring, std::wstring>& Values() const { return values_; }

 private:
  std::map<std::wstring, std::wstring> values_;
};

// Reads a leading integer the way the switches and the configuration file do.
// Returns false when the text does not start with a number or overflows.
bool ParseLeadingInt(const std::wstring& text, int* out);
// Reads a leading finite floating-point number; false when there is none.
bool ParseLeadingDouble(const std::wstring& text, double* out);

inline CommandLineMap ParseCommandLine(const std::wstring& command_line) {
  return CommandLineMap::Parse(command_line);
}

}  // namespace Utils
