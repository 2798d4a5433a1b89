#pragma once
// Sends one batch of records to the collection endpoint as one HTTP POST.
//
// Thread contract: owned by the RecordConsumer, which calls Send only while
// it holds its flush lock, so one request runs at a time; Send blocks for the
// whole transfer (at most the 3-second time-out). Certificate verification
// stays on: the body carries device identifiers.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace usage_analytics {

struct HttpResponse {
  int status = -1;   // -1 when the transfer itself failed
  std::string body;  // on a failed transfer, the library's error text
  std::map<std::string, std::string> headers;
};

using HeaderList = std::vector<std::pair<std::string, std::string>>;

class RecordSender {
 public:
  explicit RecordSender(std::string server_url);
  virtual ~RecordSender();

  // Compresses, encodes and posts `json_array`; true only for status 200.
  // Records the outcome in LastSendFlag unless compression failed.
  // Virtual so that a consumer can be given a sender that fails in ways the
  // network cannot be made to (tests of the consumer's error handling).
  virtual bool Send(const std::string& json_array, const HeaderList& extra_headers);

  // One POST of `body` with a fresh handle; never throws.
  static HttpResponse Post(const std::string& url, const std::string& body,
                           const HeaderList& extra_headers);

  const std::string& server_url() const { return server_url_; }

 private:
  std::string server_url_;
};

}  // namespace usage_analytics
