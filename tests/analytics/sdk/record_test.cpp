// Assembly of records by the SDK instance: members, properties, identity,
// reserved properties and the record id.

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>

#include "analytics/sdk/Sdk.h"
#include "tests/analytics/sdk/sdk_test_support.h"

namespace {

using sdk_testing::LastQueued;
using sdk_testing::QueuedRecords;
using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

// Nothing is delivered in these tests: the address is never contacted.
constexpr char kUnusedUrl[] = "http://127.0.0.1:9/collect?project=pc";

class RecordTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Sdk::Init(kUnusedUrl, folder_.path(), "device-1", false)); }
  void TearDown() override { Sdk::Shutdown(); }

  sdk_testing::TempFolder folder_;
};

std::string MaskTrackId(const std::string& record) {
  return std::regex_replace(record, std::regex("\"_track_id\":[0-9]+"), "\"_track_id\":ID");
}

TEST_F(RecordTest, TrackRecordIsExactlyTheDocumentedForm) {
  PropertiesNode super;
  super.SetString("qv_app_id", "Kestrima");
  Sdk::RegisterSuperProperties(super);
  PropertiesNode properties;
  properties.SetString("qv_task_name", "download");
  properties.SetBool("$is_first_time", true);
  properties.SetDateTime("$time", 1700000000, 123);
  Sdk::Track("QvEventTask", properties);
  const auto records = QueuedRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(MaskTrackId(records[0]),
            "{\"_track_id\":ID,\"distinct_id\":\"device-1\",\"event\":\"QvEventTask\","
            "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"},"
            "\"properties\":{\"$is_first_time\":true,\"$lib\":\"cpp\",\"$lib_version\":\"0.9\","
            "\"qv_app_id\":\"Kestrima\",\"qv_task_name\":\"download\"},"
            "\"time\":1700000000123,\"type\":\"track\"}");
}

TEST_F(RecordTest, CallerPropertiesWinOverSuperPropertiesAndClearRestoresTheLibraryPair) {
  PropertiesNode super;
  super.SetString("shared", "super");
  super.SetString("only_super", "s");
  Sdk::RegisterSuperProperties(super);
  PropertiesNode mine;
  mine.SetString("shared", "mine");
  Sdk::Track("E", mine);
  Json::Value record = LastQueued();
  EXPECT_EQ(record["properties"]["shared"].asString(), "mine");
  EXPECT_EQ(record["properties"]["only_super"].asString(), "s");

  Sdk::ClearSuperProperties();
  Sdk::Track("E");
  record = LastQueued();
  EXPECT_EQ(record["properties"].getMemberNames(),
            (std::vector<std::string>{"$lib", "$lib_version"}));
  // The time is the clock's when no "$time" is given.
  const int64_t now = Sdk::CurrentTimeMillis();
  EXPECT_LE(record["time"].asInt64(), now);
  EXPECT_GT(record["time"].asInt64(), now - 60000);
}

TEST_F(RecordTest, ReservedTimeAndProjectMoveToTheRecord) {
  PropertiesNode properties;
  properties.SetDateTime("$time", 86400, 7);
  properties.SetString("$project", "abc");
  Sdk::Track("E", properties);
  Json::Value record = LastQueued();
  EXPECT_EQ(record["time"].asInt64(), 86400007);
  EXPECT_EQ(record["project"].asString(), "abc");
  EXPECT_FALSE(record["properties"].isMember("$time"));
  EXPECT_FALSE(record["properties"].isMember("$project"));

  PropertiesNode empty_project;
  empty_project.SetString("$project", "");
  Sdk::Track("E", empty_project);
  record = LastQueued();
  EXPECT_FALSE(record.isMember("project"));
  EXPECT_FALSE(record["properties"].isMember("$project"));
}

TEST_F(RecordTest, FailedChecksQueueNothing) {
  const struct {
    const char* what;
    std::string event;
    PropertiesNode properties;
  } cases[] = {
      {"time as text", "E",
       [] {
         PropertiesNode p;
         p.SetString("$time", "x");
         return p;
       }()},
      {"project as number", "E",
       [] {
         PropertiesNode p;
         p.SetNumber("$project", 1);
         return p;
       }()},
      {"bad key", "E",
       [] {
         PropertiesNode p;
         p.SetBool("a-b", true);
         return p;
       }()},
      {"bad event name", "9lives", PropertiesNode()},
      {"long event name", std::string(101, 'e'), PropertiesNode()},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    Sdk::Track(c.event, c.properties);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "") << c.what;
    EXPECT_TRUE(QueuedRecords().empty()) << c.what;
  }
  EXPECT_FALSE(Sdk::AssembleRecord("track", "", PropertiesNode(), "d", ""));
  EXPECT_FALSE(Sdk::AssembleRecord("track_signup", "$SignUp", PropertiesNode(), "d", ""));
  EXPECT_TRUE(Sdk::AssembleRecord("profile_set", "", PropertiesNode(), "d", ""));
}

TEST_F(RecordTest, SignupSwitchesIdentityAndMarksLaterRecords) {
  Sdk::TrackSignup("u1");
  Json::Value signup = LastQueued();
  EXPECT_EQ(signup["type"].asString(), "track_signup");
  EXPECT_EQ(signup["event"].asString(), "$SignUp");
  EXPECT_EQ(signup["distinct_id"].asString(), "u1");
  EXPECT_EQ(signup["original_id"].asString(), "device-1");
  EXPECT_FALSE(signup["properties"].isMember("$is_login_id"));
  EXPECT_EQ(Sdk::DistinctId(), "u1");
  EXPECT_TRUE(Sdk::IsLoginId());

  PropertiesNode properties;
  properties.SetBool("$is_login_id", false);
  Sdk::Track("After", properties);
  const Json::Value after = LastQueued();
  EXPECT_EQ(after["distinct_id"].asString(), "u1");
  EXPECT_TRUE(after["properties"]["$is_login_id"].asBool());
  EXPECT_FALSE(after.isMember("original_id"));
}

TEST_F(RecordTest, ProfileRecordsCarryNoEventAndNoSuperProperties) {
  PropertiesNode super;
  super.SetString("qv_app_id", "Kestrima");
  Sdk::RegisterSuperProperties(super);
  Sdk::TrackSignup("u1");
  const struct {
    const char* type;
    std::function<void()> call;
    const char* properties;
  } cases[] = {
      {"profile_set", [] { Sdk::ProfileSet("qv_label", "x"); },
       "{\"$is_login_id\":true,\"qv_label\":\"x\"}"},
      {"profile_set", [] { Sdk::ProfileSet("qv_n", 2.5); }, "{\"$is_login_id\":true,\"qv_n\":2.5}"},
      {"profile_set_once", [] { Sdk::ProfileSetOnce("qv_first", 3); },
       "{\"$is_login_id\":true,\"qv_first\":3}"},
      {"profile_increment", [] { Sdk::ProfileIncrement("qv_visit_count", 1); },
       "{\"$is_login_id\":true,\"qv_visit_count\":1}"},
      {"profile_append", [] { Sdk::ProfileAppend("qv_tags", "t"); },
       "{\"$is_login_id\":true,\"qv_tags\":[\"t\"]}"},
  };
  for (const auto& c : cases) {
    c.call();
    const auto records = QueuedRecords();
    ASSERT_FALSE(records.empty());
    const Json::Value record = sdk_testing::ParseJson(records.back());
    EXPECT_EQ(record["type"].asString(), c.type);
    EXPECT_FALSE(record.isMember("event")) << c.type;
    EXPECT_EQ(record["distinct_id"].asString(), "u1");
    EXPECT_TRUE(record.isMember("_track_id"));
    EXPECT_EQ(record["lib"]["$lib_method"].asString(), "code");
    EXPECT_NE(records.back().find(std::string("\"properties\":") + c.properties), std::string::npos)
        << records.back();
  }
}

TEST_F(RecordTest, InstallationRecordCarriesAnOverridableInstallSource) {
  Sdk::TrackInstallation("QvEventActivity", PropertiesNode());
  EXPECT_EQ(LastQueued()["properties"]["$ios_install_source"].asString(), "");
  PropertiesNode properties;
  properties.SetString("$ios_install_source", "android_id=123##imei=1234##mac=123");
  Sdk::TrackInstallation("QvEventActivity", properties);
  const Json::Value record = LastQueued();
  EXPECT_EQ(record["properties"]["$ios_install_source"].asString(),
            "android_id=123##imei=1234##mac=123");
  EXPECT_EQ(record["event"].asString(), "QvEventActivity");
  EXPECT_EQ(record["type"].asString(), "track");
}

TEST(SdkLifecycle, InitChecksTheIdKeepsTheFirstInstanceAndOperationsNeedOne) {
  sdk_testing::TempFolder folder;
  Sdk::Track("BeforeInit");
  EXPECT_EQ(Sdk::Consumer(), nullptr);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Sdk::Init(kUnusedUrl, folder.path(), "", false));
  EXPECT_FALSE(Sdk::Init(kUnusedUrl, folder.path(), std::string(256, 'x'), false));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "The Distinct ID is empty.\nThe Distinct ID is too long, max length is 255.\n");
  EXPECT_FALSE(Sdk::IsInitialized());

  ASSERT_TRUE(Sdk::Init(kUnusedUrl, folder.path(), "first", true));
  EXPECT_TRUE(Sdk::Init("http://127.0.0.1:9/other", folder.path(), "second", false));
  EXPECT_EQ(Sdk::DistinctId(), "first");
  Sdk::Track("E");
  EXPECT_TRUE(LastQueued()["properties"]["$is_login_id"].asBool());
  Sdk::Shutdown();
  EXPECT_FALSE(Sdk::IsInitialized());
  Sdk::Track("AfterShutdown");
  Sdk::RegisterSuperProperties(PropertiesNode());
  EXPECT_FALSE(Sdk::FlushAll());
}

TEST(TrackId, FragmentsKeepTheirWidthAndLeadingZerosVanish) {
  const struct {
    int first, second;
    int64_t millis;
    int64_t id;
  } cases[] = {
      {105, 1007, 1700000000042, 50070042},
      {100, 1000, 1700000000000, 0},
      {198, 1998, 1700000009999, 989989999},
      {150, 1500, 7, 505007},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sdk::ComposeTrackId(c.first, c.second, c.millis), c.id);
  }
  for (int i = 0; i < 1000; ++i) {
    const int64_t id = Sdk::TrackId();
    EXPECT_GE(id, 0);
    EXPECT_LE(id, 989989999);
  }
}

}  // namespace
