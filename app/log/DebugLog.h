#pragma once
// The installer's one diagnostic-line writer. Lines go to the debugger
// channel only (OutputDebugStringW); there is no file and no level.
//
// Thread contract: any thread may log at any time. Each call formats into a
// buffer of its own and takes no lock; OutputDebugStringW serialises output.
//
// Use DEBUG_LOG(L"message format", args...). The message format must be a
// string literal: it is glued to the line prefix at compile time, so data can
// only ever reach a line as an argument, never as part of the format. In the
// formats "%s" takes a UTF-16 text (wchar_t*).

#include <windows.h>

#include <cstdarg>
#include <string>

#define KESTRIMA_LOG_PREFIX L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: "

// Writes one line. `format` is the prefix above followed by the message
// format; the arguments are the prefix's fields and then the message's.
void DebugLog(const wchar_t* format, ...);

namespace Utils {

// Formats like DebugLog without writing; empty when formatting fails. The
// formatting follows the Microsoft C runtime, where "%s" in a wide format
// takes a wide text.
std::wstring FormatLogLine(const wchar_t* format, va_list args);

// Turns the compiler's decorated function name ("void A::B(int)") into the
// qualified name the log shows ("A::B").
std::wstring LogTagFromSignature(const char* pretty_function);

}  // namespace Utils

#define DEBUG_LOG(fmt, ...)                                                                  \
  do {                                                                                       \
    static const std::wstring kestrima_log_tag_ =                                            \
        ::Utils::LogTagFromSignature(__PRETTY_FUNCTION__);                                   \
    SYSTEMTIME kestrima_log_time_;                                                           \
    ::GetLocalTime(&kestrima_log_time_);                                                     \
    ::DebugLog(KESTRIMA_LOG_PREFIX fmt, static_cast<int>(::GetCurrentProcessId()),           \
               static_cast<int>(::GetCurrentThreadId()), kestrima_log_time_.wYear,           \
               kestrima_log_time_.wMonth, kestrima_log_time_.wDay, kestrima_log_time_.wHour, \
               kestrima_log_time_.wMinute, kestrima_log_time_.wSecond,                       \
               kestrima_log_time_.wMilliseconds, kestrima_log_tag_.c_str(), __LINE__,        \
               ##__VA_ARGS__);                                                               \
  } while (0)
