#include "app/utils/Process.h"

#include <tlhelp32.h>

namespace Utils {

DWORD FindProcessByName(const std::wstring& file_name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
    if (lstrcmpW(entry.szExeFile, file_name.c_str()) == 0) {
      found = entry.th32ProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return found;
}

void PumpMessages(HWND window) {
  const ULONGLONG start = GetTickCount64();
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got == -1) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (!IsWindow(window)) return;
    if (GetTickCount64() - start >= 100) return;
  }
}

}  // namespace Utils
