// Kestrima's setup package. It carries the product and its uninstaller as
// resources, installs them into the folder its command line names, and tells
// the installer how it goes through status lines on its standard output.
//
// Switches besides the installer's own: "-isoverride=<value>" leaves
// set.ini [Uninstall] IsOverride, "-startupstyle=<style>" chooses the
// start-up style it reports, and the "-inslang=" language is kept in
// config.ini [Install] Language.

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "tools/kestrima/ProgramSupport.h"
#include "tools/kestrima/SetupPayload.h"

namespace {

using kestrima::StatusOutput;

bool WritePayload(int id, const std::wstring& path) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(nullptr, found);
  if (!bytes || size == 0) return false;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  const bool ok = WriteFile(file, bytes, size, &wrote, nullptr) && wrote == size;
  CloseHandle(file);
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

std::wstring DefaultFolder() {
  wchar_t base[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, base, CSIDL_PROGRAM_FILESX86, FALSE) &&
      !SHGetSpecialFolderPathW(nullptr, base, CSIDL_PROGRAM_FILES, FALSE)) {
    return std::wstring();
  }
  return std::wstring(base) + L"\\Kestrima";
}

int Fail(const StatusOutput& out, const std::wstring& message) {
  out.Line(L"Error=" + message);
  return 2;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const StatusOutput out;
  out.Line(L"Encode=UTF8");
  const std::wstring command_line = GetCommandLineW();

  // "/D=" comes last and holds the folder unquoted, spaces and all.
  std::wstring folder = kestrima::CommandLineTail(command_line, L" /D=");
  bool found = false;
  if (folder.empty()) folder = kestrima::SwitchValue(command_line, L"instdir", &found);
  if (folder.empty()) folder = DefaultFolder();
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return Fail(out, L"没有可用的安装目录");
  out.Line(L"Progress=0.05");

  if (!kestrima::MakeFolder(folder)) return Fail(out, L"无法创建安装目录：" + folder);
  out.Line(L"Progress=0.2");

  const std::wstring product = folder + L"\\Kestrima.exe";
  if (!WritePayload(KESTRIMA_PAYLOAD_PRODUCT, product)) {
    return Fail(out, L"无法写入文件：" + product);
  }
  out.Line(L"Progress=0.6");

  const std::wstring uninstaller = folder + L"\\uninst.ep";
  if (!WritePayload(KESTRIMA_PAYLOAD_UNINSTALLER, uninstaller)) {
    return Fail(out, L"无法写入文件：" + uninstaller);
  }
  out.Line(L"Progress=0.9");

  const std::wstring is_override = kestrima::SwitchValue(command_line, L"isoverride", &found);
  if (found) {
    const std::wstring settings = folder + L"\\set.ini";
    WritePrivateProfileStringW(L"Uninstall", L"IsOverride", is_override.c_str(), settings.c_str());
  }
  const std::wstring language = kestrima::SwitchValue(command_line, L"inslang", &found);
  if (found && !language.empty()) {
    const std::wstring config = folder + L"\\config.ini";
    WritePrivateProfileStringW(L"Install", L"Language", language.c_str(), config.c_str());
  }
  std::wstring style = kestrima::SwitchValue(command_line, L"startupstyle", &found);
  if (!found) style = L"UserStartup";

  out.Line(L"Progress=1");
  out.Line(L"InstPath=" + folder);
  out.Line(L"ExePath=" + product);
  out.Line(L"UninstEp=" + uninstaller);
  out.Line(L"StartupStyle=" + style);
  out.Line(L"State=Success");
  return 0;
}
