// A package for the runners' tests whose whole behaviour comes from a script,
// so that every case of the status-line protocol can be produced by a real
// child process: output in pieces, pauses between them, any encoding, a long
// value, no output at all, an exit code, a crash.
//
// The script is the file "package.script" in the folder its command line
// names last ("/D=" for a package, "_?=" for an uninstaller). One command a
// line, in UTF-8:
//   write <text>        the text's bytes; \n \r \t \\ and \xHH are escapes
//   write936 <text>     the text converted to code page 936
//   fill <count> <char> the character <count> times
//   cmdline             the program's own command line, in UTF-8
//   sleep <ms>          a pause
//   hold <ms>           start a copy of itself that inherits the output and
//                       keeps it open for <ms> after this program has ended
//   exit <code>         end now with that exit code
//   crash               end through an access violation
// Without a script it writes nothing and exits with 0. "-hold=<ms>" alone
// makes it the holding copy.

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/kestrima/ProgramSupport.h"

namespace {

std::string Unescape(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes.push_back(text[i]);
      continue;
    }
    const char next = text[++i];
    if (next == 'n') {
      bytes.push_back('\n');
    } else if (next == 'r') {
      bytes.push_back('\r');
    } else if (next == 't') {
      bytes.push_back('\t');
    } else if (next == 'x' && i + 2 < text.size() + 1) {
      bytes.push_back(static_cast<char>(strtol(text.substr(i + 1, 2).c_str(), nullptr, 16)));
      i += 2;
    } else {
      bytes.push_back(next);
    }
  }
  return bytes;
}

void Hold(const std::string& milliseconds) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command =
      L"\"" + std::wstring(self) + L"\" -hold=" + kestrima::Utf8ToWide(milliseconds);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring command_line = GetCommandLineW();
  bool holding = false;
  const std::wstring hold = kestrima::SwitchValue(command_line, L"hold", &holding);
  if (holding) {
    Sleep(static_cast<DWORD>(_wtoi(hold.c_str())));
    return 0;
  }

  std::wstring folder = kestrima::CommandLineTail(command_line, L" /D=");
  if (folder.empty()) folder = kestrima::CommandLineTail(command_line, L"_?=");
  if (folder.empty()) return 0;
  std::ifstream script(kestrima::WideToCodePage(folder + L"\\package.script", CP_ACP));
  if (!script) return 0;

  // The crash must end the process at once, without a dialog or a debugger.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const kestrima::StatusOutput out;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
    if (command == "write") {
      out.Write(Unescape(argument));
    } else if (command == "write936") {
      out.Write(kestrima::WideToCodePage(kestrima::Utf8ToWide(Unescape(argument)), 936));
    } else if (command == "fill") {
      std::istringstream fields(argument);
      size_t count = 0;
      std::string character;
      fields >> count >> character;
      out.Write(std::string(count, character.empty() ? 'x' : character[0]));
    } else if (command == "cmdline") {
      out.Write(kestrima::WideToCodePage(command_line, CP_UTF8));
    } else if (command == "sleep") {
      Sleep(static_cast<DWORD>(atoi(argument.c_str())));
    } else if (command == "hold") {
      Hold(argument);
    } else if (command == "exit") {
      return atoi(argument.c_str());
    } else if (command == "crash") {
      *static_cast<volatile int*>(nullptr) = 1;
    }
  }
  return 0;
}
