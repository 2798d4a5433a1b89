// Measures the two costs a window pays before it can show its skin: decoding
// the skin archive (once per process) and building a layout from it (once per
// window). Prints the archive size, element count and the timings in ms.
//
// usage: orvui_skin_load_bench [archive] [layout] [runs]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "orvui/control/ControlUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/DialogBuilder.h"
#include "orvui/resources/SkinArchive.h"

using namespace OrvUI;

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::vector<unsigned char> ReadWhole(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

CControlUI* CountAll(CControlUI*, void* data) {
  ++*static_cast<int*>(data);
  return nullptr;
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-28s min %8.3f ms  median %8.3f ms  max %8.3f ms  (%zu runs)\n", what,
              times.front(), times[times.size() / 2], times.back(), times.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder = folder.substr(0, folder.rfind(L'\\') + 1);
  const std::wstring archivePath = argc > 1 ? argv[1] : folder + L"bench_skin.7z";
  const std::wstring layout = argc > 2 ? argv[2] : L"bench.xml";
  const int runs = argc > 3 ? _wtoi(argv[3]) : 30;

  const std::vector<unsigned char> bytes = ReadWhole(archivePath);
  if (bytes.empty()) {
    std::printf("cannot read the archive\n");
    return 1;
  }

  std::vector<double> openTimes;
  size_t entries = 0;
  for (int i = 0; i < runs; ++i) {
    const double start = Now();
    CSkinArchive::Handle archive = CSkinArchive::OpenBytes(bytes.data(), bytes.size());
    openTimes.push_back(Now() - start);
    if (archive == nullptr) {
      std::printf("the archive does not open\n");
      return 1;
    }
    entries = archive->Entries().size();
    CSkinArchive::CloseArchive(archive);
  }

  CManagerUI::SetArchiveIs7z(true);
  CManagerUI::UseArchiveBytes(bytes.data(), bytes.size());
  std::vector<double> buildTimes;
  int controls = 0;
  for (int i = 0; i < runs; ++i) {
    CManagerUI manager;
    CDialogBuilder builder;
    const double start = Now();
    CControlUI* root = builder.Build(layout.c_str(), nullptr, nullptr, &manager);
    buildTimes.push_back(Now() - start);
    if (root == nullptr) {
      std::printf("the layout does not build\n");
      return 1;
    }
    controls = 0;
    root->Search(CountAll, &controls, 0);
    root->Destroy();
  }

  std::printf("archive: %.1f KiB, %zu files; layout: %d controls\n", bytes.size() / 1024.0, entries,
              controls);
  Report("open archive (decode all)", openTimes);
  Report("build layout", buildTimes);
  return 0;
}
