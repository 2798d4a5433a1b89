// Kestrima's uninstaller ("uninst.ep" in an installation). It removes the
// installation in the folder named by "_?=", the last item of its command
// line, and reports through status lines. It is run from a copy elsewhere,
// so it may delete its own original.

#include <windows.h>

#include <string>

#include "tools/kestrima/ProgramSupport.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const kestrima::StatusOutput out;
  out.Line(L"Encode=UTF8");
  std::wstring folder = kestrima::CommandLineTail(GetCommandLineW(), L"_?=");
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (folder.empty()) {
    out.Line(L"Error=没有指定要卸载的目录");
    return 2;
  }
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    out.Line(L"Error=安装目录不存在：" + folder);
    return 2;
  }
  out.Line(L"Progress=0");

  static const wchar_t* const kFiles[] = {L"Kestrima.exe", L"set.ini", L"config.ini", L"uninst.ep"};
  const size_t count = sizeof kFiles / sizeof kFiles[0];
  for (size_t i = 0; i < count; ++i) {
    const std::wstring path = folder + L"\\" + kFiles[i];
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileW(path.c_str())) {
      out.Line(L"Error=无法删除文件：" + path);
      return 3;
    }
    out.Line(L"Progress=" + std::to_wstring(static_cast<double>(i + 1) / (count + 1)));
  }
  // Files the user put there stay, and with them the folder.
  RemoveDirectoryW(folder.c_str());
  out.Line(L"Progress=1");
  out.Line(L"State=Success");
  return 0;
}
