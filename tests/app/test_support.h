#pragma once
// Shared helpers of the utility tests: temporary folders and child programs.

#include <windows.h>

#include <string>

namespace testing_support {

// A fresh, empty folder under the system temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Windows path of a program built for the tests (KESTRIMA_EXE_<NAME>).
std::wstring ProgramPath(const wchar_t* variable);

struct RunResult {
  DWORD exit_code = 0;
  std::string output;
};
// Runs a command line hidden through Utils::ChildProcess and collects its
// standard output until the child ends.
RunResult RunAndCollect(const std::wstring& command_line);

}  // namespace testing_support
