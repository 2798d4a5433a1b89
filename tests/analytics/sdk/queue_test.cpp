// The bounded queue, the record file and records surviving a restart.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "analytics/sdk/RecordConsumer.h"
#include "analytics/sdk/Sdk.h"
#include "tests/analytics/sdk/sdk_test_support.h"

namespace {

using sdk_testing::ReadFileText;
using sdk_testing::TempFolder;
using sdk_testing::WriteFileText;
using usage_analytics::RecordConsumer;
using usage_analytics::Sdk;

constexpr char kUnusedUrl[] = "http://127.0.0.1:9/collect?project=pc";

std::string Numbered(int n) { return "{\"n\":" + std::to_string(n) + "}"; }

std::vector<std::string> NumberedRange(int first, int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) records.push_back(Numbered(first + i));
  return records;
}

TEST(RecordQueue, KeepsTheNewest1024) {
  TempFolder folder;
  RecordConsumer consumer(kUnusedUrl, folder.path());
  for (int i = 0; i < 1025; ++i) consumer.SendJson(Numbered(i));
  EXPECT_EQ(consumer.QueuedRecords(), NumberedRange(1, 1024));
  for (int i = 1025; i < 3000; ++i) consumer.SendJson(Numbered(i));
  EXPECT_EQ(consumer.QueuedRecords(), NumberedRange(3000 - 1024, 1024));
}

TEST(RecordFile, ReadsObjectLinesOnceAheadOfNewRecordsAndEmptiesTheFile) {
  TempFolder folder;
  RecordConsumer consumer(kUnusedUrl, folder.path());
  const std::string file = folder.path() + RecordConsumer::kRecordFileName;
  EXPECT_EQ(consumer.record_file_path(), file);
  WriteFileText(file, "{a}\n\nx\n{b}\r\n {c}\n{d\n{e}");
  consumer.SendJson("{new}");
  consumer.LoadFromFile();
  EXPECT_EQ(consumer.QueuedRecords(), (std::vector<std::string>{"{a}", "{b}", "{e}", "{new}"}));
  EXPECT_EQ(ReadFileText(file), "");
  // Read back once per run only.
  WriteFileText(file, "{late}\n");
  consumer.LoadFromFile();
  EXPECT_EQ(consumer.QueueSize(), 4u);
}

TEST(RecordFile, ReadingBackKeepsOnlyWhatFitsNewestFirst) {
  TempFolder folder;
  const std::string file = folder.path() + "explicit.jsonl";
  RecordConsumer consumer(kUnusedUrl, file);
  EXPECT_EQ(consumer.record_file_path(), file);
  std::string lines;
  for (int i = 0; i < 10; ++i) lines += Numbered(100 + i) + "\n";
  WriteFileText(file, lines);
  for (int i = 0; i < 1020; ++i) consumer.SendJson(Numbered(i));
  consumer.LoadFromFile();
  auto records = consumer.QueuedRecords();
  ASSERT_EQ(records.size(), 1024u);
  EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 5),
            (std::vector<std::string>{Numbered(106), Numbered(107), Numbered(108), Numbered(109),
                                      Numbered(0)}));
  EXPECT_EQ(ReadFileText(file), "");

  // A full queue reads nothing but still empties the file.
  RecordConsumer full(kUnusedUrl, file);
  WriteFileText(file, lines);
  for (int i = 0; i < 1024; ++i) full.SendJson(Numbered(i));
  full.LoadFromFile();
  EXPECT_EQ(full.QueuedRecords(), NumberedRange(0, 1024));
  EXPECT_EQ(ReadFileText(file), "");
}

TEST(RecordFile, CloseWritesTheQueueAndAnUnwritablePathIsSilent) {
  TempFolder folder;
  const std::string file = folder.path() + RecordConsumer::kRecordFileName;
  {
    RecordConsumer consumer(kUnusedUrl, folder.path());
    WriteFileText(file, "{old}\n");
    consumer.SendJson("{a}");
    consumer.SendJson("{b}");
    consumer.Close();
    EXPECT_FALSE(consumer.Flush());
  }
  EXPECT_EQ(ReadFileText(file), "{old}\n{a}\n{b}\n");

  RecordConsumer nowhere(kUnusedUrl, folder.path() + "missing\\sub\\");
  nowhere.SendJson("{a}");
  nowhere.LoadFromFile();
  nowhere.Close();
  EXPECT_EQ(nowhere.QueueSize(), 1u);
}

TEST(RecordFile, RecordsQueuedAtShutdownAreSentByTheNextRun) {
  TempFolder folder;
  sdk_testing::CollectSink sink("restart");
  // First run: the endpoint cannot be reached, so everything stays queued.
  ASSERT_TRUE(Sdk::Init(kUnusedUrl, folder.path(), "device-1", false));
  Sdk::Track("FirstRunA");
  Sdk::Track("FirstRunB");
  const auto first_run = sdk_testing::QueuedRecords();
  Sdk::Shutdown();
  EXPECT_EQ(ReadFileText(folder.path() + RecordConsumer::kRecordFileName),
            first_run[0] + "\n" + first_run[1] + "\n");

  // Second run: they go out first, ahead of this run's record.
  ASSERT_TRUE(Sdk::Init(sink.CollectUrl(), folder.path(), "device-1", false));
  Sdk::Track("SecondRun");
  EXPECT_TRUE(Sdk::FlushAll());
  const auto requests = sink.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string batch = requests[0]["batch"].asString();
  EXPECT_EQ(batch.rfind("[" + first_run[0] + "," + first_run[1] + ",{", 0), 0u) << batch;
  std::vector<std::string> events;
  for (const auto& record : sink.Records()) {
    events.push_back(sdk_testing::ParseJson(record)["event"].asString());
  }
  EXPECT_EQ(events, (std::vector<std::string>{"FirstRunA", "FirstRunB", "SecondRun"}));
  Sdk::Shutdown();
  EXPECT_EQ(ReadFileText(folder.path() + RecordConsumer::kRecordFileName), "");
}

}  // namespace
