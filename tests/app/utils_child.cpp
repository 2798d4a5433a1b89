// A small program the utility tests start as a real child process.
//
//   utils_child echo <text>...     prints each text on a line of its own
//   utils_child stdin              copies standard input to standard output
//   utils_child lock <name>        exit 0 when the single-instance lock is had
//   utils_child settings [args]    prints the settings record after the
//                                  command line is applied
//   utils_child sleep <ms>         waits, then exits 7
//   utils_child stderr <bytes>     writes that much to standard error, then
//                                  "done" to standard output
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/settings/InstallerSettings.h"
#include "app/utils/SingleInstanceLock.h"
#include "app/utils/Text.h"

namespace {

void Print(const std::wstring& text) {
  const std::string bytes = Utils::ToUtf8(text) + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

int PrintSettings() {
  InstallerSettings& s = InstallerSettings::Instance();
  s.ApplyCommandLine();
  wchar_t scale[64];
  swprintf(scale, 64, L"%.17g", s.DownloadScale);
  Print(L"DownloadUrl=" + s.DownloadUrl);
  Print(L"DownloadType=" + std::to_wstring(s.DownloadType));
  Print(L"IsCheckNet=" + std::to_wstring(s.IsCheckNet));
  Print(L"IsEnableAppAnalytics=" + std::to_wstring(s.IsEnableAppAnalytics));
  Print(std::wstring(L"DownloadScale=") + scale);
  Print(L"DlAppNameSuffix=" + s.DlAppNameSuffix);
  Print(L"DlAppVersion=" + s.DlAppVersion);
  Print(L"InstCmd=" + s.InstCmd);
  Print(L"LanguageIndex=" + std::to_wstring(s.LanguageIndex));
  Print(L"InsNew=" + std::to_wstring(s.InsNew));
  Print(L"ExeFileName=" + s.ExeFileName);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"echo") {
    for (int i = 2; i < argc; ++i) Print(argv[i]);
    return 0;
  }
  if (mode == L"stdin") {
    char buffer[4096];
    DWORD got = 0, written = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got) {
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, got, &written, nullptr);
    }
    return 0;
  }
  if (mode == L"lock" && argc > 2) {
    Utils::SingleInstanceLock lock(argv[2]);
    return lock.Acquire() ? 0 : 1;
  }
  if (mode == L"settings") return PrintSettings();
  if (mode == L"stderr" && argc > 2) {
    const std::string chunk(4096, 'e');
    DWORD written = 0;
    for (long left = _wtol(argv[2]); left > 0; left -= 4096) {
      WriteFile(GetStdHandle(STD_ERROR_HANDLE), chunk.data(), 4096, &written, nullptr);
    }
    Print(L"done");
    return 0;
  }
  if (mode == L"sleep" && argc > 2) {
    Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    return 7;
  }
  return 2;
}
