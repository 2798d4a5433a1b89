// download_bench <type> <url> <target path>
//
// Runs one downloader of the given DownloadType exactly as the installer's
// pipeline does (libcurl initialised first, a restart on DL_CODE_RETRY from
// inside the callback, libcurl cleaned up last), prints every callback as
// "event <code> <value> <text>" and ends with
// "result <final code> bytes=<target size> seconds=<elapsed> mib_per_s=<rate>".
// Exit status 0 when the download succeeded, 1 otherwise. A line
// "memory peak_working_set_mib=... peak_private_mib=..." comes before the
// result line.

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "app/settings/InstallerSettings.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"
#include "download/Downloader.h"

namespace {

std::mutex g_print;

void PrintLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_print);
  fwrite(line.data(), 1, line.size(), stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: download_bench <type> <url> <target path>\n");
    return 1;
  }
  const int type = _wtoi(argv[1]);
  const std::wstring url = argv[2];
  const std::wstring target = argv[3];

  InstallerSettings::Instance().HttpReady = CurlRuntime::GlobalInit();
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int final_code = 0;
  std::unique_ptr<CDownloader> downloader;
  const auto began = std::chrono::steady_clock::now();
  auto finished = began;

  downloader = CreateDownloader(
      type,
      [&](int code, double value, const wchar_t* text) {
        char number[64];
        snprintf(number, sizeof(number), "%.6f", value);
        PrintLine("event " + std::to_string(code) + " " + number + " " + Utils::ToUtf8(text));
        if (code == DL_CODE_RETRY) {
          downloader->Start();
        } else if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) {
          final_code = code;
          finished = std::chrono::steady_clock::now();
          SetEvent(done);
        }
      },
      url, target);
  downloader->Start();
  WaitForSingleObject(done, INFINITE);
  downloader.reset();
  CurlRuntime::GlobalCleanup();

  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  char line[256];
  snprintf(line, sizeof(line), "memory peak_working_set_mib=%.1f peak_private_mib=%.1f",
           counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0);
  PrintLine(line);

  const double seconds = std::chrono::duration<double>(finished - began).count();
  const long long bytes = FileSize(target);
  const double rate = seconds > 0 ? bytes / 1048576.0 / seconds : 0.0;
  snprintf(line, sizeof(line), "result %d bytes=%lld seconds=%.3f mib_per_s=%.2f", final_code,
           bytes, seconds, rate);
  PrintLine(line);
  CloseHandle(done);
  return final_code == DL_CODE_SUCCESS ? 0 : 1;
}
