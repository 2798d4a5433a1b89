#include <gtest/gtest.h>

#include <cwctype>
#include <set>

#include "app/utils/SingleInstanceLock.h"
#include "app/utils/SystemInfo.h"
#include "tests/app/test_support.h"

namespace {

TEST(OsVersionText, ClassifiesEveryRow) {
  struct Case {
    unsigned major, minor, build;
    bool r2;
    const wchar_t* text;
  } cases[] = {
      {0, 0, 0, false, L"XP-"},
      {4, 9, 0, false, L"XP-"},
      {5, 0, 2195, false, L"2K"},
      {5, 1, 2600, false, L"XP"},
      {5, 2, 3790, false, L"Server 2003"},
      {5, 2, 3790, true, L"Server 2003 R2"},
      {5, 3, 0, false, L"XP+"},
      {6, 0, 6000, false, L"Vista"},
      {6, 1, 7601, false, L"7"},
      {6, 2, 9200, false, L"8"},
      {6, 3, 9600, false, L"8.1"},
      {6, 4, 0, false, L"8.1+"},
      {10, 0, 19045, false, L"10"},
      {10, 1, 0, false, L"10+"},
      {11, 0, 22000, false, L"11.0.22000"},
      {7, 2, 5, false, L"7.2.5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utils::OsVersionText(c.major, c.minor, c.build, c.r2), c.text)
        << c.major << "." << c.minor;
  }
  const Utils::OsName name = Utils::GetOsName();
  EXPECT_EQ(name.product, L"Windows");
  EXPECT_FALSE(name.version.empty());
}

TEST(NewGuidString, ThirtyTwoHexDigitsWithLowerCaseThirdGroup) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 50; ++i) {
    const std::wstring guid = Utils::NewGuidString();
    ASSERT_EQ(guid.size(), 32u);
    for (size_t k = 0; k < guid.size(); ++k) {
      const wchar_t c = guid[k];
      ASSERT_TRUE(std::iswxdigit(c)) << guid;
      const bool third_group = k >= 12 && k < 16;
      if (std::iswalpha(c)) {
        EXPECT_EQ(third_group, std::iswlower(c) != 0) << guid << " at " << k;
      }
    }
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 50u);
}

TEST(Is64BitSystem, TrueForThisSixtyFourBitProcess) { EXPECT_TRUE(Utils::Is64BitSystem()); }

TEST(SingleInstanceLock, SecondProcessIsRefusedWhileHeld) {
  const std::wstring name = L"KestrimaTest_" + Utils::NewGuidString();
  const std::wstring child =
      L"\"" + testing_support::ProgramPath(L"KESTRIMA_EXE_UTILS_CHILD") + L"\" lock " + name;
  {
    Utils::SingleInstanceLock lock(name);
    ASSERT_TRUE(lock.Acquire());
    EXPECT_TRUE(lock.IsHeld());
    EXPECT_EQ(testing_support::RunAndCollect(child).exit_code, 1u);
    // The same name in this process is refused too: the mutex already exists.
    Utils::SingleInstanceLock again(name);
    EXPECT_FALSE(again.Acquire());
    EXPECT_FALSE(again.IsHeld());
  }
  EXPECT_EQ(testing_support::RunAndCollect(child).exit_code, 0u);
}

}  // namespace
