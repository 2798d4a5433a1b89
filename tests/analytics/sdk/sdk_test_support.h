#pragma once
// Helpers of the analytics SDK tests: the loopback collection endpoint,
// private folders and reading back what the SDK queued or sent.

#include <json/json.h>

#include <string>
#include <vector>

namespace sdk_testing {

// One private sink of the collection endpoint started by the harness
// (COLLECT_URL). The sink is reset on construction.
class CollectSink {
 public:
  explicit CollectSink(const std::string& name);
  // The address the SDK posts to.
  std::string CollectUrl() const;
  // Mode of the following requests.
  void Answer(int status, double delay_seconds = 0.0, bool close = false);
  // Records the endpoint kept, one JSON text each.
  std::vector<std::string> Records() const;
  // Every request the endpoint saw, decoded.
  std::vector<Json::Value> Requests() const;

 private:
  std::string Get(const std::string& path_and_query) const;
  std::string base_;
  std::string name_;
};

// The endpoint's HTTPS address (self-signed certificate), or empty.
std::string CollectTlsUrl();

// A fresh folder (ending with a backslash), removed with its files at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

Json::Value ParseJson(const std::string& text);
// Record texts in the live SDK's queue, oldest first.
std::vector<std::string> QueuedRecords();
// The one record queued by the last operation, parsed; null when none.
Json::Value LastQueued();

}  // namespace sdk_testing
