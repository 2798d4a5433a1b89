#include <gtest/gtest.h>

#include <cmath>

#include "app/utils/CommandLineMap.h"

namespace {

TEST(ParseCommandLine, FirstOccurrenceWinsAndFlagsHaveEmptyValues) {
  const Utils::CommandLineMap map =
      Utils::ParseCommandLine(L"\"C:\\Program Files\\in.exe\" -a=1 -a=2 -b c -url=x=y \"-d=a b\"");
  const std::map<std::wstring, std::wstring> expected = {
      {L"C:\\Program Files\\in.exe", L""},
      {L"-a", L"1"},
      {L"-b", L""},
      {L"c", L""},
      {L"-url", L"x=y"},
      {L"-d", L"a b"},
  };
  EXPECT_EQ(map.Values(), expected);
  // Keys are case-sensitive, and an argument without "-" is never a switch.
  EXPECT_FALSE(map.Has(L"-A"));
}

TEST(CommandLineMap, ConversionsOfSwitchValues) {
  const Utils::CommandLineMap map = Utils::ParseCommandLine(
      L"p.exe -i1=42 -i2=\" 7x\" -i3=-3 -i4=abc -i5=99999999999 -i6= "
      L"-b1=true -b2=TRUE -b3=1 -b4 "
      L"-d1=0.5x -d2=abc -d3=1e999 -d4=nan -d5=inf -d6=\" .25\" -d7=-0.1 -d8=0x10");
  struct IntCase {
    const wchar_t* key;
    int value;
  } ints[] = {{L"-i1", 42}, {L"-i2", 7},     {L"-i3", -3},
              {L"-i4", 0},  {L"-i5", 0},  // out of range counts as no number
              {L"-i6", 0},  {L"-missing", 0}};
  for (const IntCase& c : ints) EXPECT_EQ(map.GetInt(c.key), c.value) << c.key;

  struct BoolCase {
    const wchar_t* key;
    bool value;
  } bools[] = {
      {L"-b1", true}, {L"-b2", false}, {L"-b3", false}, {L"-b4", false}, {L"-missing", false}};
  for (const BoolCase& c : bools) EXPECT_EQ(map.GetBool(c.key), c.value) << c.key;

  struct DoubleCase {
    const wchar_t* key;
    double value;
  } doubles[] = {{L"-d1", 0.5},  {L"-d2", 9.0},  {L"-d3", 9.0}, {L"-d4", 9.0},     {L"-d5", 9.0},
                 {L"-d6", 0.25}, {L"-d7", -0.1}, {L"-d8", 0.0}, {L"-missing", 9.0}};
  for (const DoubleCase& c : doubles) {
    const double got = map.GetDouble(c.key, 9.0);
    EXPECT_TRUE(std::isfinite(got)) << c.key;
    EXPECT_DOUBLE_EQ(got, c.value) << c.key;
  }
  EXPECT_EQ(map.GetString(L"-missing"), L"");
}

}  // namespace
