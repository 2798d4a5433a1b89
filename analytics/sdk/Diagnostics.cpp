#include "analytics/sdk/Diagnostics.h"

#include <windows.h>

#include <cstdio>

namespace usage_analytics {

void WriteError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void WriteDebugOutput(const char* text) { OutputDebugStringA(text); }

}  // namespace usage_analytics
