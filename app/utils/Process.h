#pragma once
// Process look-up and a short message pump.

#include <windows.h>

#include <string>

namespace Utils {

// Id of the first process whose executable name equals `file_name` exactly
// (letter case counts), or 0. Safe on any thread.
DWORD FindProcessByName(const std::wstring& file_name);

// Dispatches the calling thread's messages for at least 100 ms. Stops early
// when `window` is gone or a quit message arrives; a quit message is posted
// again so that the outer loop still ends. Call on the window's thread.
void PumpMessages(HWND window);

}  // namespace Utils
