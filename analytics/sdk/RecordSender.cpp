#include "analytics/sdk/RecordSender.h"

#include <curl/curl.h>

#include "analytics/sdk/BatchEncoding.h"
#include "analytics/sdk/Diagnostics.h"
#include "analytics/sdk/LastSendFlag.h"

namespace usage_analytics {
namespace {

constexpr long kTimeoutSeconds = 3;
constexpr char kUserAgent[] = "OrvaneAnalytics CPP SDK 0.9";

std::string TrimSpace(const std::string& text) {
  const char* kSpace = " \t\r\n";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

size_t StoreHeader(char* data, size_t size, size_t count, void* user) {
  auto* headers = static_cast<std::map<std::string, std::string>*>(user);
  const std::string line(data, size * count);
  const size_t colon = line.find(':');
  if (colon == std::string::npos) {
    const std::string name = TrimSpace(line);
    if (!name.empty()) (*headers)[name] = "present";
  } else {
    (*headers)[TrimSpace(line.substr(0, colon))] = TrimSpace(line.substr(colon + 1));
  }
  return size * count;
}

}  // namespace

RecordSender::RecordSender(std::string server_url) : server_url_(std::move(server_url)) {}

RecordSender::~RecordSender() = default;

HttpResponse RecordSender::Post(const std::string& url, const std::string& body,
                                const HeaderList& extra_headers) {
  HttpResponse response;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    response.body = "curl_easy_init failed";
    return response;
  }
  curl_slist* header_lines = nullptr;
  for (const auto& header : extra_headers) {
    header_lines = curl_slist_append(header_lines, (header.first + ": " + header.second).c_str());
  }
  // Certificate and host-name checks keep libcurl's defaults (on): the body
  // carries device identifiers, which must only ever reach the real endpoint.
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &StoreHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, header_lines);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  const CURLcode result = curl_easy_perform(curl);
  if (result == CURLE_OK) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
  } else {
    response.status = -1;
    response.body = curl_easy_strerror(result);
  }
  curl_easy_cleanup(curl);
  curl_slist_free_all(header_lines);
  return response;
}

bool RecordSender::Send(const std::string& json_array, const HeaderList& extra_headers) {
  std::string body;
  if (!BuildRequestBody(json_array, &body)) return false;
  const HttpResponse response = Post(server_url_, body, extra_headers);
  const bool succeeded = response.status == 200;
  if (!succeeded) {
    WriteDebugOutput("[analytics] OrvaneAnalytics SDK send failed");
    WriteError("OrvaneAnalytics SDK send failed: " + response.body + "\n");
  }
  LastSendFlag::Set(succeeded);
  return succeeded;
}

}  // namespace usage_analytics
