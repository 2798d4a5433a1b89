#pragma once
// What Kestrima's setup package, uninstaller and scripted test package share:
// reading their command line and writing status lines to the standard output
// that the installer reads. Each program is single-threaded.

#include <windows.h>

#include <string>

namespace kestrima {

// Writes to the standard output handle the program was given; when it has
// none (started by hand, without redirection) every write is dropped.
class StatusOutput {
 public:
  StatusOutput() : handle_(GetStdHandle(STD_OUTPUT_HANDLE)) {}
  // Raw bytes, as they are.
  void Write(const std::string& bytes) const;
  // One line in UTF-8, ended with "\r\n".
  void Line(const std::wstring& text) const;

 private:
  HANDLE handle_;
};

// The rest of the command line after the last occurrence of `marker`, with
// surrounding quotes and white space removed; empty when the marker is
// missing. Used for the items that come last so that they may hold spaces.
std::wstring CommandLineTail(const std::wstring& command_line, const std::wstring& marker);

// The value of a "-name=value" item ("-name=\"value\"" for values with
// spaces); `found` tells whether the item is present at all.
std::wstring SwitchValue(const std::wstring& command_line, const std::wstring& name, bool* found);

// Creates the folder and every missing parent; true when it exists as a
// folder afterwards.
bool MakeFolder(const std::wstring& path);

std::wstring Utf8ToWide(const std::string& bytes);
std::string WideToCodePage(const std::wstring& text, UINT code_page);

}  // namespace kestrima
