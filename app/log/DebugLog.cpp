#include "app/log/DebugLog.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <new>

// MinGW's C++ mode switches the standard printf family to its own C99
// implementation, where "%s" in a wide format takes a narrow text. The log's
// formats are written for the Microsoft runtime ("%s" is a wide text), so the
// formatting goes through msvcrt's own entry points, which MinGW never
// redirects.
extern "C" {
_CRTIMP int __cdecl _vscwprintf(const wchar_t* format, va_list args);
_CRTIMP int __cdecl _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
}

namespace Utils {

std::wstring FormatLogLine(const wchar_t* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = _vscwprintf(format, measure);
  va_end(measure);
  if (length < 0) return std::wstring();
  std::wstring line;
  try {
    line.resize(static_cast<size_t>(length) + 2);
  } catch (const std::bad_alloc&) {
    return std::wstring();
  }
  va_list copy;
  va_copy(copy, args);
  const int written = _vsnwprintf(&line[0], line.size(), format, copy);
  va_end(copy);
  if (written < 0) return std::wstring();
  line.resize(static_cast<size_t>(written));
  return line;
}

std::wstring LogTagFromSignature(const char* pretty_function) {
  const std::string text(pretty_function ? pretty_function : "");
  // The name ends at the parameter list: the first "(" outside template
  // arguments, skipping the parentheses of "operator()".
  int depth = 0;
  size_t end = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') ++depth;
    if (c == '>' && depth > 0) --depth;
    if (c == '(' && depth == 0) {
      if (i >= 8 && text.compare(i - 8, 8, "operator") == 0 && i + 1 < text.size() &&
          text[i + 1] == ')') {
        ++i;
        continue;
      }
      end = i;
      break;
    }
  }
  if (end == std::string::npos) end = text.size();
  // The name starts after the last space outside template arguments (the
  // return type and qualifiers come before it).
  size_t begin = 0;
  depth = 0;
  for (size_t i = end; i > 0; --i) {
    const char c = text[i - 1];
    if (c == '>') ++depth;
    if (c == '<' && depth > 0) --depth;
    if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
      begin = i;
      break;
    }
  }
  std::string name = text.substr(begin, end - begin);
  // Anonymous namespaces add nothing a reader of the log could use.
  static const std::string kAnonymous = "{anonymous}::";
  for (size_t at; (at = name.find(kAnonymous)) != std::string::npos;)
    name.erase(at, kAnonymous.size());
  return std::wstring(name.begin(), name.end());
}

}  // namespace Utils

void DebugLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring line = Utils::FormatLogLine(format, args);
  va_end(args);
  if (!line.empty()) OutputDebugStringW(line.c_str());
}
