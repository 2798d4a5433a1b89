// Delivery of batches to the real loopback collection endpoint: what
// arrives, what each failure leaves queued, and the re-queue arithmetic.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "analytics/sdk/LastSendFlag.h"
#include "analytics/sdk/RecordConsumer.h"
#include "tests/analytics/sdk/sdk_test_support.h"

namespace {

using sdk_testing::CollectSink;
using sdk_testing::TempFolder;
using usage_analytics::LastSendFlag;
using usage_analytics::RecordConsumer;

std::string Numbered(int n) {
  return "{\"n\":" + std::to_string(n) + ",\"text\":\"x+y/z=\xe4\xb8\xad\\t\"}";
}

std::vector<std::string> NumberedRange(int first, int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) records.push_back(Numbered(first + i));
  return records;
}

std::string Joined(const std::vector<std::string>& records) {
  std::string text = "[";
  for (size_t i = 0; i < records.size(); ++i) text += (i ? "," : "") + records[i];
  return text + "]";
}

// Waits for the endpoint to log `count` requests; a failing client may give
// up before the endpoint finishes with its request.
std::vector<Json::Value> AwaitRequests(const CollectSink& sink, size_t count) {
  for (int i = 0; i < 100; ++i) {
    auto requests = sink.Requests();
    if (requests.size() >= count) return requests;
    Sleep(100);
  }
  return sink.Requests();
}

TEST(Delivery, OneRecordArrivesAsExactlyThatRecordInAnArray) {
  TempFolder folder;
  CollectSink sink("one");
  RecordConsumer consumer(sink.CollectUrl(), folder.path());
  LastSendFlag::Set(false);
  consumer.SendJson(Numbered(1));
  EXPECT_TRUE(consumer.FlushAll());
  const auto requests = sink.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["batch"].asString(), "[" + Numbered(1) + "]");
  EXPECT_EQ(requests[0]["outcome"].asString(), "kept");
  EXPECT_EQ(consumer.QueueSize(), 0u);
  EXPECT_TRUE(LastSendFlag::Get());
  // An empty queue is a successful flush that sends nothing.
  EXPECT_TRUE(consumer.Flush());
  EXPECT_EQ(sink.Requests().size(), 1u);
}

TEST(Delivery, ThirtyOneRecordsGoAsThirtyThenOne) {
  TempFolder folder;
  CollectSink sink("batches");
  RecordConsumer consumer(sink.CollectUrl(), folder.path());
  for (const auto& record : NumberedRange(0, 31)) consumer.SendJson(record);
  EXPECT_TRUE(consumer.FlushAll());
  const auto requests = sink.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["batch"].asString(), Joined(NumberedRange(0, 30)));
  EXPECT_EQ(requests[1]["batch"].asString(), Joined(NumberedRange(30, 1)));
  EXPECT_EQ(sink.Records().size(), 31u);
}

TEST(Delivery, EachFailureKeepsTheRecordsQueuedInOrder) {
  const struct {
    const char* name;
    int status;
    double delay;
    bool close;
    const char* outcome;
  } cases[] = {
      {"status201", 201, 0, false, "refused"},
      {"status500", 500, 0, false, "refused"},
      // Answering after the client's 3-second limit.
      {"timeout", 200, 4.5, false, "client gone"},
      {"closed", 200, 0, true, "closed"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    CollectSink sink(c.name);
    sink.Answer(c.status, c.delay, c.close);
    RecordConsumer consumer(sink.CollectUrl(), folder.path());
    for (const auto& record : NumberedRange(0, 31)) consumer.SendJson(record);
    LastSendFlag::Set(true);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(consumer.FlushAll()) << c.name;
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("OrvaneAnalytics SDK send failed: ", 0), 0u) << errors;
    EXPECT_FALSE(LastSendFlag::Get()) << c.name;
    // One request only: the failed batch stops the flush.
    const auto requests = AwaitRequests(sink, 1);
    ASSERT_EQ(requests.size(), 1u) << c.name;
    EXPECT_EQ(requests[0]["outcome"].asString(), c.outcome) << c.name;
    EXPECT_TRUE(sink.Records().empty()) << c.name;
    EXPECT_EQ(consumer.QueuedRecords(), NumberedRange(0, 31)) << c.name;

    // Once the endpoint answers 200 again everything goes out.
    sink.Answer(200);
    EXPECT_TRUE(consumer.FlushAll()) << c.name;
    EXPECT_EQ(sink.Records().size(), 31u) << c.name;
  }
}

TEST(Delivery, AFailedBatchGoesBackOnlyAsFarAsThereIsRoom) {
  TempFolder folder;
  CollectSink sink("requeue");
  // The endpoint answers slowly, so the queue can fill while the batch is
  // out, and then refuses it.
  sink.Answer(500, 2.0);
  RecordConsumer consumer(sink.CollectUrl(), folder.path());
  for (const auto& record : NumberedRange(0, 30)) consumer.SendJson(record);
  bool flushed = true;
  std::thread flusher([&] {
    testing::internal::CaptureStderr();
    flushed = consumer.Flush();
    testing::internal::GetCapturedStderr();
  });
  while (consumer.QueueSize() != 0) Sleep(1);
  for (const auto& record : NumberedRange(1000, 1000)) consumer.SendJson(record);
  flusher.join();
  EXPECT_FALSE(flushed);
  auto expected = NumberedRange(6, 24);
  const auto others = NumberedRange(1000, 1000);
  expected.insert(expected.end(), others.begin(), others.end());
  EXPECT_EQ(consumer.QueuedRecords(), expected);

  // With nothing else queued the whole batch returns in order.
  sink.Answer(500);
  RecordConsumer alone(sink.CollectUrl(), folder.path() + "alone.jsonl");
  for (const auto& record : NumberedRange(0, 30)) alone.SendJson(record);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(alone.Flush());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(alone.QueuedRecords(), NumberedRange(0, 30));
}

TEST(Delivery, ResponsesCarryStatusHeadersAndTheTransferErrorText) {
  CollectSink sink("response");
  // Not a form the endpoint accepts: it answers 400 with a text body.
  const auto refused = usage_analytics::RecordSender::Post(sink.CollectUrl(), "junk", {});
  EXPECT_EQ(refused.status, 400);
  EXPECT_EQ(refused.body, "gzip field is not 1");
  EXPECT_EQ(refused.headers.at("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(refused.headers.at("Content-Length"), "19");
  EXPECT_EQ(refused.headers.at("HTTP/1.1 400 Bad Request"), "present");

  const auto unreachable =
      usage_analytics::RecordSender::Post("http://127.0.0.1:9/collect?project=pc", "x", {});
  EXPECT_EQ(unreachable.status, -1);
  EXPECT_EQ(unreachable.body, "Couldn't connect to server");
  EXPECT_TRUE(unreachable.headers.empty());
}

// A sender that fails the way the network cannot be made to.
class ThrowingSender : public usage_analytics::RecordSender {
 public:
  ThrowingSender() : RecordSender("http://127.0.0.1:9/") {}
  bool Send(const std::string&, const usage_analytics::HeaderList&) override {
    throw std::runtime_error("out of memory");
  }
};

TEST(Delivery, ABatchLostToAnExceptionIsReportedAndQueuedAgain) {
  TempFolder folder;
  RecordConsumer consumer(std::make_unique<ThrowingSender>(), folder.path());
  for (const auto& record : NumberedRange(0, 31)) consumer.SendJson(record);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(consumer.FlushAll());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Exception when flush failed: (out of memory) ");
  EXPECT_EQ(consumer.QueuedRecords(), NumberedRange(0, 31));
}

TEST(Delivery, CertificatesAreCheckedOverHttps) {
  const std::string tls = sdk_testing::CollectTlsUrl();
  if (tls.empty()) GTEST_SKIP() << "the endpoint runs without HTTPS (no openssl)";
  // Wine's TLS layer leaves certificate validation to the caller, so there
  // the self-signed certificate is accepted whatever the client asks for;
  // the refusal can only be observed on Windows itself.
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
    GTEST_SKIP() << "the platform's TLS layer does not validate certificates";
  }
  TempFolder folder;
  CollectSink sink("tls");
  // The endpoint's certificate is self-signed: a client that checks
  // certificates must refuse to send device identifiers to it.
  RecordConsumer consumer(tls + "/collect?project=pc&sink=tls", folder.path());
  consumer.SendJson(Numbered(1));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(consumer.FlushAll());
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(sink.Requests().empty());
  EXPECT_EQ(consumer.QueueSize(), 1u);
}

}  // namespace
