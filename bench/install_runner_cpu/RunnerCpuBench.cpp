// Measures the processor time the package runner spends while a package runs
// and prints nothing, which is most of an installation's time. It runs a
// scripted package that stays silent for a while, once through the package
// runner and once through the uninstaller runner, and prints the process's
// processor time against the wall time.
//
//   install_runner_cpu <scripted package> [silent seconds]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "install/Installer.h"
#include "install/Uninstaller.h"

namespace {

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

double WallSeconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Report(const char* name, double cpu, double wall, int events) {
  printf("%-18s wall %.2f s  cpu %.4f s  cpu share of one core %.3f %%  events %d\n", name, wall,
         cpu, 100.0 * cpu / wall, events);
  fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    printf("usage: install_runner_cpu <scripted package> [silent seconds]\n");
    return 2;
  }
  const std::wstring package = argv[1];
  const int silent_seconds = argc > 2 ? _wtoi(argv[2]) : 10;

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"install_runner_cpu_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring script_path = folder + L"\\package.script";
  const std::string script = "write Progress=0.1\\n\nsleep " +
                             std::to_string(silent_seconds * 1000) +
                             "\nwrite Progress=1\\nState=Success\\n\n";
  FILE* file = _wfopen(script_path.c_str(), L"wb");
  if (!file) return 1;
  fwrite(script.data(), 1, script.size(), file);
  fclose(file);

  // The silent stretch lies between the "Progress=0.1" and "Progress=1"
  // reports; starting the package and reading its first lines is left out.
  int events = 0;
  double silent_cpu = 0, silent_wall = 0;
  auto record = [&](int code, double value, const wchar_t*) {
    ++events;
    if (code != 2002 && code != 5002) return;
    if (value == 0.1) {
      silent_cpu = -ProcessCpuSeconds();
      silent_wall = -WallSeconds();
    } else if (value == 1.0) {
      silent_cpu += ProcessCpuSeconds();
      silent_wall += WallSeconds();
    }
  };

  double cpu = ProcessCpuSeconds();
  double wall = WallSeconds();
  {
    CInstaller runner(record, L"\"" + package + L"\"", folder);
    runner.Start();
  }
  Report("package run", ProcessCpuSeconds() - cpu, WallSeconds() - wall, events);
  Report("  silent part", silent_cpu, silent_wall, events);

  events = 0;
  cpu = ProcessCpuSeconds();
  wall = WallSeconds();
  {
    CUninstaller runner(record, package, folder);
    runner.Start();
  }
  Report("uninstaller run", ProcessCpuSeconds() - cpu, WallSeconds() - wall, events);
  Report("  silent part", silent_cpu, silent_wall, events);

  DeleteFileW(script_path.c_str());
  RemoveDirectoryW(folder.c_str());
  return 0;
}
