// The property tree, its JSON form and the checks on names, identifiers and
// string values.

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "analytics/sdk/Json.h"
#include "analytics/sdk/PropertiesNode.h"
#include "analytics/sdk/Validation.h"

namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::ToJson;
using usage_analytics::utils::ObjectNode;
using usage_analytics::utils::ValueKind;
using usage_analytics::utils::ValueNode;

std::string Stderr(const std::function<void()>& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

TEST(PropertyJson, EveryKindHasItsExactForm) {
  PropertiesNode node;
  node.SetNumber("n", 3.14159265358979);
  node.SetNumber("big", 1000000.0);
  node.SetNumber("i", INT_MIN);
  node.SetString("s", "q\"b\\s/t\tn\nr\r\xe4\xb8\xad");
  node.SetList("l", {"x", "y\"z", ""});
  node.SetBool("t", true);
  node.SetBool("f", false);
  ObjectNode inner;
  inner.SetValue("k", ValueNode::Integer(1));
  inner.SetValue("e", ValueNode::List({}));
  node.SetObject("o", inner);
  EXPECT_EQ(ToJson(node),
            "{\"big\":1e+06,\"f\":false,\"i\":-2147483648,\"l\":[\"x\",\"y\\\"z\",\"\"],"
            "\"n\":3.14159,\"o\":{\"e\":[],\"k\":1},"
            "\"s\":\"q\\\"b\\\\s/t\\tn\\nr\\r\xe4\xb8\xad\",\"t\":true}");
  EXPECT_EQ(ToJson(ObjectNode()), "{}");
}

TEST(PropertyJson, NumbersUseTheDefaultStreamForm) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.5, "0.5"},
      {100.0, "100"},
      {-2.0, "-2"},
      {1e-5, "1e-05"},
      {123456789.0, "1.23457e+08"},
      {0.1 + 0.2, "0.3"},
      {1e100, "1e+100"},
      {999999.5, "1e+06"},
      // JSON cannot spell these; a bare "inf" would spoil the whole batch.
      {std::numeric_limits<double>::infinity(), "null"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(usage_analytics::FormatNumber(c.value), c.text) << c.value;
  }
}

TEST(PropertyJson, KeysSortByBytes) {
  PropertiesNode node;
  for (const char* key : {"a", "_a", "A", "$a", "aa", "B"}) node.SetBool(key, true);
  EXPECT_EQ(ToJson(node), "{\"$a\":true,\"A\":true,\"B\":true,\"_a\":true,\"a\":true,\"aa\":true}");
}

TEST(PropertyJson, DateTimeIsLocalTimeWithMilliseconds) {
  // The expected text comes from the system's own conversion of the epoch.
  FILETIME utc = {};
  ULARGE_INTEGER ticks;
  ticks.QuadPart = 116444736000000000ull;
  utc.dwLowDateTime = ticks.LowPart;
  utc.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME universal, local;
  ASSERT_TRUE(FileTimeToSystemTime(&utc, &universal));
  ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
  char expected[64];
  std::snprintf(expected, sizeof(expected), "{\"d\":\"%04d-%02d-%02d %02d:%02d:%02d.005\"}",
                local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
  PropertiesNode node;
  node.SetDateTime("d", 0, 5);
  EXPECT_EQ(ToJson(node), expected);
  EXPECT_EQ(usage_analytics::FormatDateTime(1700000000, 999).size(), 25u);
}

TEST(PropertyTree, SettersReplaceMergeOverwritesAndCopiesAreDeep) {
  PropertiesNode node;
  node.SetString("k", "text");
  node.SetNumber("k", 7);
  ASSERT_NE(node.Find("k"), nullptr);
  EXPECT_EQ(node.Find("k")->kind(), ValueKind::Integer);

  ObjectNode inner;
  inner.SetValue("x", ValueNode::Integer(1));
  node.SetObject("o", inner);
  PropertiesNode copy = node;
  inner.SetValue("x", ValueNode::Integer(2));
  node.SetObject("o", inner);
  EXPECT_EQ(ToJson(copy), "{\"k\":7,\"o\":{\"x\":1}}");

  PropertiesNode over;
  over.SetBool("k", true);
  over.SetString("new", "v");
  copy.Merge(over);
  EXPECT_EQ(ToJson(copy), "{\"k\":true,\"new\":\"v\",\"o\":{\"x\":1}}");
  EXPECT_EQ(ToJson(over), "{\"k\":true,\"new\":\"v\"}");
}

TEST(StringSetter, KeepsValidValuesAndRefusesTheRestLeavingTheOldValue) {
  const struct {
    std::string value;
    bool accepted;
    const char* message;  // start of the message for refused values
  } cases[] = {
      {std::string(8192, 'a'), true, ""},
      {std::string(8193, 'a'), false, "String property 'k' is too long, value: aaa"},
      {"tab\tand\nline\r", true, ""},
      {"\x01", false, "String property 'k' is not valid UTF-8 string, value: \x01\n"},
      {"del\x7f", false, "String property 'k' is not valid UTF-8 string, value: del\x7f\n"},
      {"\xe4\xb8\xad\xe6\x96\x87", true, ""},
      {"\xc0\xaf", false, "String property 'k' is not valid UTF-8 string"},
  };
  for (const auto& c : cases) {
    PropertiesNode node;
    node.SetString("k", "old");
    const std::string message = Stderr([&] { node.SetString("k", c.value); });
    ASSERT_NE(node.Find("k"), nullptr);
    EXPECT_EQ(node.Find("k")->AsString(), c.accepted ? c.value : "old") << c.value.size();
    if (c.accepted) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_EQ(message.rfind(c.message, 0), 0u) << message.substr(0, 80);
      EXPECT_EQ(message.back(), '\n');
    }
  }
  PropertiesNode node;
  Stderr([&] { node.SetString("k", static_cast<const char*>(nullptr)); });
  EXPECT_EQ(node.Find("k"), nullptr);
}

TEST(Utf8Check, AcceptsExactlyTheAllowedSequences) {
  const struct {
    const char* name;
    std::string text;
    bool valid;
  } cases[] = {
      {"empty", "", true},
      {"printable ascii", " ~azAZ09", true},
      {"tab lf cr", "\t\n\r", true},
      {"nul", std::string(1, '\0'), false},
      {"vertical tab", "\x0b", false},
      {"escape", "\x1b", false},
      {"del", "\x7f", false},
      {"two bytes lowest", "\xc2\x80", true},
      {"two bytes highest", "\xdf\xbf", true},
      {"overlong two bytes", "\xc1\xbf", false},
      {"lone continuation", "\x80", false},
      {"two bytes cut", "\xc3", false},
      {"e0 needs a0", "\xe0\x9f\x80", false},
      {"e0 lowest", "\xe0\xa0\x80", true},
      {"e1 any", "\xe1\x80\x80", true},
      {"ed below surrogates", "\xed\x9f\xbf", true},
      {"ed surrogate", "\xed\xa0\x80", false},
      {"ee", "\xee\x80\x80", true},
      {"ef bom", "\xef\xbb\xbf", true},
      {"three bytes cut", "\xe4\xb8", false},
      {"f0 needs 90", "\xf0\x8f\xbf\xbf", false},
      {"f0 emoji", "\xf0\x9f\x98\x80", true},
      {"f3", "\xf3\xbf\xbf\xbf", true},
      {"f4 highest", "\xf4\x8f\xbf\xbf", true},
      {"f4 beyond", "\xf4\x90\x80\x80", false},
      {"f5", "\xf5\x80\x80\x80", false},
      {"four bytes cut", "\xf0\x9f\x98", false},
      {"bad continuation", "\xe4\x41\xad", false},
      {"valid then bad", "ok\xff", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(usage_analytics::IsValidUtf8(c.text), c.valid) << c.name;
  }
}

TEST(NameCheck, LengthAndVariableNameRule) {
  const std::string too_long = "The Event Name is empty or too long, max length is 100";
  const std::string not_variable = "The Event Name need to be a valid variable name.";
  const struct {
    std::string name;
    const char* message;
  } cases[] = {
      {std::string(100, 'e'), ""},
      {std::string(101, 'e'), too_long.c_str()},
      {"", too_long.c_str()},
      {"9lives", not_variable.c_str()},
      {"a-b", not_variable.c_str()},
      {"caf\xc3\xa9", not_variable.c_str()},
      {"$AppStart", ""},
      {"_x", ""},
      {"x9_$", ""},
  };
  for (const auto& c : cases) {
    bool passed = false;
    const std::string message =
        Stderr([&] { passed = usage_analytics::CheckName("Event Name", c.name); });
    EXPECT_EQ(passed, *c.message == '\0') << c.name;
    EXPECT_EQ(message, c.message) << c.name;
  }
}

TEST(IdentifierCheck, OneTo255Bytes) {
  const struct {
    std::string value;
    const char* message;
  } cases[] = {
      {"", "The Distinct ID is empty.\n"},
      {"u", ""},
      {std::string(255, 'x'), ""},
      {std::string(256, 'x'), "The Distinct ID is too long, max length is 255.\n"},
      {"any bytes at all: -!\xff", ""},
  };
  for (const auto& c : cases) {
    bool passed = false;
    const std::string message =
        Stderr([&] { passed = usage_analytics::CheckIdentifier("Distinct ID", c.value); });
    EXPECT_EQ(passed, *c.message == '\0') << c.value.size();
    EXPECT_EQ(message, c.message);
  }
}

TEST(PropertiesCheck, ReservedKeysNeedTheirKindAndTheFirstFailureWins) {
  PropertiesNode good;
  good.SetDateTime("$time", 1, 2);
  good.SetString("$project", "p");
  good.SetNumber("qv_x", 1);
  EXPECT_EQ(Stderr([&] { EXPECT_TRUE(usage_analytics::CheckProperties(good)); }), "");

  PropertiesNode wrong_time;
  wrong_time.SetString("$time", "now");
  EXPECT_EQ(Stderr([&] { EXPECT_FALSE(usage_analytics::CheckProperties(wrong_time)); }),
            "The property '$time' should be DateTime type.");

  PropertiesNode wrong_project;
  wrong_project.SetNumber("$project", 3);
  EXPECT_EQ(Stderr([&] { EXPECT_FALSE(usage_analytics::CheckProperties(wrong_project)); }),
            "The property '$project' should be String type.");

  // "$time" sorts before "bad-key", so only its message appears.
  PropertiesNode both;
  both.SetBool("$time", true);
  both.SetBool("bad-key", true);
  EXPECT_EQ(Stderr([&] { EXPECT_FALSE(usage_analytics::CheckProperties(both)); }),
            "The property '$time' should be DateTime type.");

  PropertiesNode bad_key;
  bad_key.SetBool("1st", true);
  EXPECT_EQ(Stderr([&] { EXPECT_FALSE(usage_analytics::CheckProperties(bad_key)); }),
            "The Property Key need to be a valid variable name.");
}

}  // namespace
