// Hashes one file with the installer's FileMd5 and prints the throughput.
//
//   md5_bench <file> [repeat]
//
// Prints "md5=<digest> bytes=<size> seconds=<best> mib_per_s=<throughput>",
// taking the best of `repeat` runs (default 3) so that a cold cache on the
// first run does not decide the figure.
#include <windows.h>

#include <cstdio>

#include "app/utils/Files.h"
#include "app/utils/Text.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: md5_bench <file> [repeat]\n");
    return 2;
  }
  const int repeat = argc > 2 ? _wtoi(argv[2]) : 3;
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(argv[1], GetFileExInfoStandard, &info)) {
    std::fprintf(stderr, "md5_bench: cannot read %s\n", Utils::ToUtf8(argv[1]).c_str());
    return 1;
  }
  const double bytes = static_cast<double>(
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 1e30;
  std::wstring digest;
  for (int i = 0; i < (repeat > 0 ? repeat : 1); ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    digest = Utils::FileMd5(argv[1]);
    QueryPerformanceCounter(&end);
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (seconds < best) best = seconds;
  }
  std::printf("md5=%s bytes=%.0f seconds=%.3f mib_per_s=%.1f\n", Utils::ToUtf8(digest).c_str(),
              bytes, best, bytes / (1024.0 * 1024.0) / best);
  return digest.empty() ? 1 : 0;
}
