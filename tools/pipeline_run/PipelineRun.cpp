// Runs the download-and-install pipeline without the installer's window:
//
//   pipeline_run <download url> <install folder> [uninstaller path]
//                [-dsc=true|false] [-ssc=true|false] [-adminact=true|false]
//                [-authorizationact=true|false] [-insnew=true]
//                [-language=<code>] [-downloadtype=<n>]
//
// Every event that would reach the window is printed as one line
// "event <code> <value> <text>" in UTF-8. The program stops after the first
// final event and exits with 0 only when the installation succeeded.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "app/settings/InstallerSettings.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"
#include "install/DownloadInstaller.h"

namespace {

bool IsFinal(int code) {
  return code == 2003 || code == 2004 || code == 1004 || code == 5004 || code == 5005;
}

std::string FormatValue(double value) {
  char buffer[64];
  if (value == static_cast<double>(static_cast<long long>(value))) {
    snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    snprintf(buffer, sizeof buffer, "%g", value);
  }
  return buffer;
}

// Lines from several worker threads must not interleave.
std::mutex g_output_mutex;

void Print(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_output_mutex);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD wrote = 0;
  const std::string bytes = line + "\n";
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
}

bool SwitchIsTrue(const std::wstring& value) { return value == L"true" || value == L"1"; }

int Usage() {
  Print(
      "usage: pipeline_run <download url> <install folder> [uninstaller path] "
      "[-dsc=true|false] [-ssc=true|false] [-adminact=true|false] "
      "[-authorizationact=true|false] [-insnew=true] [-language=<code>] [-downloadtype=<n>]");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> positional;
  bool desktop = true, quick_start = true, admin_account = false, elevated = false;
  std::wstring language;
  InstallerSettings& settings = InstallerSettings::Instance();
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    const size_t equals = argument.find(L'=');
    if (argument.empty() || argument[0] != L'-' || equals == std::wstring::npos) {
      positional.push_back(argument);
      continue;
    }
    const std::wstring name = argument.substr(1, equals - 1);
    const std::wstring value = argument.substr(equals + 1);
    if (name == L"dsc") {
      desktop = SwitchIsTrue(value);
    } else if (name == L"ssc") {
      quick_start = SwitchIsTrue(value);
    } else if (name == L"adminact") {
      admin_account = SwitchIsTrue(value);
    } else if (name == L"authorizationact") {
      elevated = SwitchIsTrue(value);
    } else if (name == L"insnew") {
      settings.InsNew = SwitchIsTrue(value);
    } else if (name == L"language") {
      language = value;
    } else if (name == L"downloadtype") {
      settings.DownloadType = _wtoi(value.c_str());
    } else {
      return Usage();
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return Usage();
  if (!CurlRuntime::GlobalInit()) {
    Print("pipeline_run: libcurl could not be initialised");
    return 3;
  }

  HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int final_code = 0;
  {
    std::mutex final_mutex;
    CDownloadInstaller pipeline(
        [&](int code, double value, const wchar_t* text) {
          Print("event " + std::to_string(code) + " " + FormatValue(value) + " " +
                Utils::ToUtf8(text));
          if (!IsFinal(code)) return;
          std::lock_guard<std::mutex> lock(final_mutex);
          if (final_code == 0) final_code = code;
          SetEvent(finished);
        },
        L"", L"", L"", desktop, quick_start, admin_account);
    pipeline.Configure(positional[0], positional.size() > 2 ? positional[2] : L"", positional[1],
                       desktop, quick_start, admin_account, elevated, language);
    pipeline.Start();
    WaitForSingleObject(finished, INFINITE);
  }  // The pipeline waits for its workers and their programs here.
  CloseHandle(finished);
  CurlRuntime::GlobalCleanup();
  return final_code == 2003 ? 0 : 1;
}
