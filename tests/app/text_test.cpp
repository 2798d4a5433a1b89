#include <gtest/gtest.h>

#include "app/utils/Text.h"

namespace {

TEST(UrlEncode, KeepsPrintableAsciiAndEscapesTheRest) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"", L""},
      {L"a/b?c=d&e=%41", L"a/b?c=d&e=%41"},  // 33..126 stay, "%" included
      {L"a b", L"a+b"},
      {L"~!", L"~!"},
      {L"\t\r\n", L"%09%0D%0A"},
      {L"\x7f", L"%7F"},
      {L"\u00e9", L"%C3%A9"},                    // UTF-8 first, upper-case hex
      {L"\u5d29\u6e83", L"%E5%B4%A9%E6%BA%83"},  // Chinese text
  };
  for (const Case& c : cases) EXPECT_EQ(Utils::UrlEncode(c.in), c.out) << c.in;
}

TEST(UrlParentSegment, TakesTheSegmentBeforeTheLast) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a/b", ""},
      {"h://x/y/z", "y"},
      {"http://h/files/abc123/setup.exe", "abc123"},
      {"http://h/files/abc123/", "abc123"},
      {"noslash", ""},
      {"/only", ""},
      {"//", ""},
      {"a//b", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utils::UrlParentSegment(c.in), c.out) << c.in;
}

TEST(TextHelpers, TrimReplaceStartsWith) {
  EXPECT_EQ(Utils::Trim(L" \t\r\n\v\f x y \r\n"), L"x y");
  EXPECT_EQ(Utils::Trim(L" \t "), L"");
  // The inserted text is not searched again.
  EXPECT_EQ(Utils::ReplaceAll(L"aaa", L"a", L"aa"), L"aaaaaa");
  EXPECT_EQ(Utils::ReplaceAll(L"a/${ROUTE}/b?r=${ROUTE}", L"${ROUTE}", L"x"), L"a/x/b?r=x");
  EXPECT_EQ(Utils::ReplaceAll(L"abc", L"", L"x"), L"abc");
  EXPECT_TRUE(Utils::StartsWith(L"Progress=0.5", L"Progress="));
  EXPECT_FALSE(Utils::StartsWith(L"Prog", L"Progress="));
  EXPECT_EQ(Utils::ToDecimal(4294967295u), L"4294967295");
}

TEST(Encodings, RoundTripsAndRejectsBadUtf8) {
  const std::wstring chinese = L"\u5b89\u88c5\u5b8c\u6210";  // 安装完成
  EXPECT_EQ(Utils::ToUtf8(chinese), "\xe5\xae\x89\xe8\xa3\x85\xe5\xae\x8c\xe6\x88\x90");
  EXPECT_EQ(Utils::FromMultiByte(Utils::ToUtf8(chinese)), chinese);
  // Code page 936 is what the packages announce with "Encode=GBK".
  EXPECT_EQ(Utils::FromMultiByte("\xb0\xb2\xd7\xb0", 936), L"\u5b89\u88c5");
  EXPECT_EQ(Utils::ToUtf8(L"\u5b89\u88c5", 936), "\xb0\xb2\xd7\xb0");

  EXPECT_EQ(Utils::Utf8Convert("\xe4\xb8\xad"), L"\u4e2d");
  const char* invalid[] = {"\xc0\xaf", "\xe4\xb8", "\xed\xa0\x80", "\xff", "a\x80"};
  for (const char* bytes : invalid) EXPECT_EQ(Utils::Utf8Convert(bytes), L"") << bytes;
}

}  // namespace
