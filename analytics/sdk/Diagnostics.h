#pragma once
// The SDK's own few messages: standard error for people running the program
// from a console, the debugger channel for the rest. Any thread may call
// these; each message is written with one call so lines do not interleave.

#include <string>

namespace usage_analytics {

// Writes `text` to standard error exactly as given (no line end added).
void WriteError(const std::string& text);

// Writes `text` to the platform's debug output.
void WriteDebugOutput(const char* text);

}  // namespace usage_analytics
