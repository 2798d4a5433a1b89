#pragma once
// Readers of the number, colour and flag values written in markup attributes.
// They never read past the terminating zero: a value that ends early leaves
// the remaining numbers at 0, and malformed parts read as 0. Integers are
// bounded to +-10,000,000.

#include <windows.h>

#include <string>

namespace OrvUI {

// Reads up to count decimal integers; each number after the first starts one
// character after the end of the previous one. Returns how many were read
// before the text ran out; the rest of out is set to 0.
int ReadInts(const wchar_t* text, int* out, int count);
// The same for decimal fractions.
int ReadDoubles(const wchar_t* text, double* out, int count);
// A rectangle l,t,r,b and a size cx,cy.
RECT ReadRect(const wchar_t* text);
SIZE ReadSize(const wchar_t* text);
// A hexadecimal ARGB colour after an optional "#" and an optional "0x".
// With skipSpace, leading whitespace before the "#" is skipped as well.
DWORD ReadColor(const wchar_t* text, bool skipSpace);
// True only for the exact text "true".
inline bool IsTrue(const std::wstring& value) { return value == L"true"; }
// True for "true" in any letter case.
bool IsTrueNoCase(const std::wstring& value);
// A decimal number; malformed text reads as fallback only when nothing at
// all could be read.
int ReadInt(const wchar_t* text, int fallback = 0);

}  // namespace OrvUI
