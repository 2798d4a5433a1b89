// The delivery scheduler (immediate, deferred and shutdown flushes) and
// recording from several threads while flushes run.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "analytics/sdk/DeliveryScheduler.h"
#include "analytics/sdk/LastSendFlag.h"
#include "analytics/sdk/Sdk.h"
#include "tests/analytics/sdk/sdk_test_support.h"

namespace {

using sdk_testing::CollectSink;
using sdk_testing::TempFolder;
using usage_analytics::DeliveryScheduler;
using usage_analytics::LastSendFlag;
using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

class SchedulerTest : public testing::Test {
 protected:
  explicit SchedulerTest(const char* sink = "scheduler") : sink_(sink) {}
  void SetUp() override {
    ASSERT_TRUE(Sdk::Init(sink_.CollectUrl(), folder_.path(), "device-1", false));
  }
  void TearDown() override { Sdk::Shutdown(); }

  TempFolder folder_;
  CollectSink sink_;
};

TEST_F(SchedulerTest, FirstImmediateFlushRunsDetachedLaterOnesOnTheCaller) {
  LastSendFlag::Set(false);
  DeliveryScheduler scheduler;
  // The endpoint takes two seconds to answer: a call that returned before that
  // cannot have waited for the delivery.
  sink_.Answer(200, 2.0);
  Sdk::Track("First");
  scheduler.AddPending(1);
  scheduler.RequestFlush(true);
  EXPECT_TRUE(sink_.Records().empty());
  scheduler.WaitForDetachedFlushes();
  EXPECT_EQ(sink_.Records().size(), 1u);
  EXPECT_EQ(scheduler.Pending(), 0);
  EXPECT_TRUE(LastSendFlag::Get());

  // After a successful send the caller's thread does the work, so the
  // record has arrived when the call returns.
  Sdk::Track("Second");
  scheduler.AddPending(1);
  scheduler.RequestFlush(true);
  EXPECT_EQ(sink_.Records().size(), 2u);
  EXPECT_EQ(scheduler.Pending(), 0);
}

TEST_F(SchedulerTest, DeferredRequestsOnlyCountAndNothingPendingMeansNoAttempt) {
  LastSendFlag::Set(true);
  DeliveryScheduler scheduler;
  Sdk::Track("Queued");
  scheduler.RequestFlush(true);  // pending is 0: no attempt
  EXPECT_TRUE(sink_.Requests().empty());
  scheduler.RequestFlush(false);
  scheduler.RequestFlush(false);
  EXPECT_EQ(scheduler.Pending(), 2);
  EXPECT_TRUE(sink_.Requests().empty());
  scheduler.RequestFlush(true);
  EXPECT_EQ(sink_.Records().size(), 1u);
  EXPECT_EQ(scheduler.Pending(), 0);
}

TEST_F(SchedulerTest, FailedImmediateFlushKeepsPendingAndShutdownFlushDelivers) {
  LastSendFlag::Set(true);
  DeliveryScheduler scheduler;
  sink_.Answer(503);
  Sdk::Track("Kept");
  scheduler.AddPending(2);
  testing::internal::CaptureStderr();
  scheduler.RequestFlush(true);  // three attempts, all refused
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(sink_.Requests().size(), 3u);
  EXPECT_EQ(scheduler.Pending(), 2);
  EXPECT_FALSE(LastSendFlag::Get());
  EXPECT_EQ(Sdk::Consumer()->QueueSize(), 1u);

  sink_.Answer(200);
  scheduler.ShutdownFlush();
  EXPECT_EQ(scheduler.Pending(), 0);
  EXPECT_EQ(sink_.Records().size(), 1u);
  EXPECT_EQ(Sdk::Consumer()->QueueSize(), 0u);
}

TEST_F(SchedulerTest, ShutdownFlushWithNothingPendingSendsNothingAndTheFileKeepsTheQueue) {
  DeliveryScheduler scheduler;
  Sdk::Track("Left");
  scheduler.ShutdownFlush();
  EXPECT_TRUE(sink_.Requests().empty());
  Sdk::Shutdown();
  const std::string file =
      sdk_testing::ReadFileText(folder_.path() + usage_analytics::RecordConsumer::kRecordFileName);
  EXPECT_NE(file.find("\"event\":\"Left\""), std::string::npos) << file;
}

TEST_F(SchedulerTest, DetachedRequestsFinishBeforeTheSchedulerGoes) {
  LastSendFlag::Set(false);
  {
    DeliveryScheduler scheduler;
    scheduler.RequestFlush(false);  // detached: counts one pending request
    scheduler.WaitForDetachedFlushes();
    EXPECT_EQ(scheduler.Pending(), 1);
    EXPECT_TRUE(sink_.Requests().empty());
  }
  sink_.Answer(200, 2.0);
  Sdk::Track("Late");
  {
    DeliveryScheduler scheduler;
    scheduler.AddPending(1);
    scheduler.RequestFlush(true);  // detached, and slow to be answered
  }
  // The scheduler's end waited for the delivery, which is complete.
  EXPECT_EQ(sink_.Records().size(), 1u);
  EXPECT_EQ(Sdk::Consumer()->QueueSize(), 0u);
}

class ConcurrencyTest : public SchedulerTest {
 protected:
  ConcurrencyTest() : SchedulerTest("concurrency") {}
};

TEST_F(ConcurrencyTest, RecordsFromManyThreadsDuringFlushesArriveOnceEachInOrder) {
  // 4 threads x 250 records stay within the queue's capacity, so whatever
  // the interleaving nothing may be lost or duplicated.
  constexpr int kThreads = 4;
  constexpr int kPerThread = 250;
  LastSendFlag::Set(false);
  DeliveryScheduler scheduler;
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &scheduler, &finished] {
      for (int i = 0; i < kPerThread; ++i) {
        PropertiesNode properties;
        properties.SetNumber("qv_thread", t);
        properties.SetNumber("qv_seq", i);
        Sdk::Track("Concurrent", properties);
        scheduler.AddPending(1);
        if (i % 25 == 0) scheduler.RequestFlush(true);
        if (i % 10 == 0) scheduler.RequestFlush(false);
      }
      finished.fetch_add(1);
    });
  }
  // Identity and super properties change while records are assembled.
  std::thread changer([&finished] {
    int round = 0;
    while (finished.load() < kThreads) {
      PropertiesNode super;
      super.SetNumber("qv_round", ++round);
      Sdk::RegisterSuperProperties(super);
      Sdk::FlushAll();
    }
  });
  for (auto& thread : threads) thread.join();
  changer.join();
  scheduler.WaitForDetachedFlushes();
  scheduler.ShutdownFlush();
  EXPECT_TRUE(Sdk::FlushAll());

  std::map<int, std::vector<int>> sequences;
  for (const auto& text : sink_.Records()) {
    const Json::Value record = sdk_testing::ParseJson(text);
    sequences[record["properties"]["qv_thread"].asInt()].push_back(
        record["properties"]["qv_seq"].asInt());
  }
  ASSERT_EQ(sequences.size(), static_cast<size_t>(kThreads));
  std::vector<int> expected(kPerThread);
  for (int i = 0; i < kPerThread; ++i) expected[i] = i;
  for (const auto& entry : sequences) EXPECT_EQ(entry.second, expected) << entry.first;
}

TEST(SdkShutdown, RecordingThreadsSurviveTheInstanceGoingAway) {
  TempFolder folder;
  std::atomic<bool> stop{false};
  std::atomic<int> calls{0};
  ASSERT_TRUE(Sdk::Init("http://127.0.0.1:9/collect?project=pc", folder.path(), "d", false));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&stop, &calls] {
      PropertiesNode properties;
      properties.SetString("qv_text", std::string(200, 'x'));
      while (!stop.load()) {
        Sdk::Track("Busy", properties);
        Sdk::ProfileSet("qv_label", "x");
        calls.fetch_add(1);
      }
    });
  }
  while (calls.load() < 2000) Sleep(1);
  Sdk::Shutdown();
  const int at_shutdown = calls.load();
  while (calls.load() < at_shutdown + 2000) Sleep(1);  // calls without an instance
  stop.store(true);
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(Sdk::IsInitialized());

  // The file holds the queue as it was at shutdown: whole records only.
  const std::string text =
      sdk_testing::ReadFileText(folder.path() + usage_analytics::RecordConsumer::kRecordFileName);
  size_t lines = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const Json::Value record = sdk_testing::ParseJson(text.substr(start, end - start));
    EXPECT_TRUE(record.isMember("_track_id"));
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, usage_analytics::RecordConsumer::kCapacity);
}

}  // namespace
