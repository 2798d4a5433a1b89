#include "orvui/markup/AttrValue.h"

#include <cwchar>
#include <cwctype>

namespace OrvUI {

namespace {

// Markup numbers are pixel sizes, ids and counts; bounding them keeps the
// layout arithmetic that adds and subtracts them far from integer overflow.
constexpr long kNumberLimit = 10000000;

int Bounded(long value) {
  if (value > kNumberLimit) return static_cast<int>(kNumberLimit);
  if (value < -kNumberLimit) return static_cast<int>(-kNumberLimit);
  return static_cast<int>(value);
}

template <typename T, typename Reader>
int ReadList(const wchar_t* text, T* out, int count, Reader reader) {
  for (int i = 0; i < count; ++i) out[i] = 0;
  if (text == nullptr) return 0;
  const wchar_t* p = text;
  int read = 0;
  while (read < count) {
    wchar_t* end = nullptr;
    out[read++] = reader(p, &end);
    // The next number starts one character after this one ends; a value that
    // ends here leaves the remaining numbers at 0 instead of reading on.
    if (*end == 0) break;
    p = end + 1;
  }
  return read;
}

}  // namespace

int ReadInts(const wchar_t* text, int* out, int count) {
  return ReadList(text, out, count,
                  [](const wchar_t* p, wchar_t** end) { return Bounded(std::wcstol(p, end, 10)); });
}

int ReadDoubles(const wchar_t* text, double* out, int count) {
  return ReadList(text, out, count,
                  [](const wchar_t* p, wchar_t** end) { return std::wcstod(p, end); });
}

RECT ReadRect(const wchar_t* text) {
  int v[4];
  ReadInts(text, v, 4);
  return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ReadSize(const wchar_t* text) {
  int v[2];
  ReadInts(text, v, 2);
  return SIZE{v[0], v[1]};
}

DWORD ReadColor(const wchar_t* text, bool skipSpace) {
  if (text == nullptr) return 0;
  const wchar_t* p = text;
  if (skipSpace) {
    while (*p != 0 && std::iswspace(*p)) ++p;
  }
  if (*p == L'#') ++p;
  wchar_t* end = nullptr;
  return static_cast<DWORD>(std::wcstoul(p, &end, 16));
}

bool IsTrueNoCase(const std::wstring& value) { return _wcsicmp(value.c_str(), L"true") == 0; }

int ReadInt(const wchar_t* text, int fallback) {
  if (text == nullptr) return fallback;
  wchar_t* end = nullptr;
  const long v = std::wcstol(text, &end, 10);
  return end == text ? fallback : Bounded(v);
}

}  // namespace OrvUI
