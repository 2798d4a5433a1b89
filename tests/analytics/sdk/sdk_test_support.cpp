#include "tests/analytics/sdk/sdk_test_support.h"

#include <windows.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "analytics/sdk/Sdk.h"

namespace sdk_testing {
namespace {

// libcurl's global state is set up once for the whole test program, as the
// installer does at start-up.
class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { curl_global_init(CURL_GLOBAL_ALL); }
  void TearDown() override { curl_global_cleanup(); }
};
const auto* const curl_environment = ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

CollectSink::CollectSink(const std::string& name) : name_(name) {
  const char* base = std::getenv("COLLECT_URL");
  if (base == nullptr || *base == '\0') {
    ADD_FAILURE() << "COLLECT_URL is not set: run inside the test harness";
  } else {
    base_ = base;
  }
  Get("/reset?sink=" + name_);
}

std::string CollectSink::CollectUrl() const { return base_ + "/collect?project=pc&sink=" + name_; }

void CollectSink::Answer(int status, double delay_seconds, bool close) {
  char query[160];
  std::snprintf(query, sizeof(query), "/control?sink=%s&status=%d&delay=%.3f&close=%d",
                name_.c_str(), status, delay_seconds, close ? 1 : 0);
  Get(query);
}

std::vector<std::string> CollectSink::Records() const {
  return Lines(Get("/records?sink=" + name_));
}

std::vector<Json::Value> CollectSink::Requests() const {
  std::vector<Json::Value> requests;
  for (const auto& line : Lines(Get("/requests?sink=" + name_))) {
    requests.push_back(ParseJson(line));
  }
  return requests;
}

std::string CollectSink::Get(const std::string& path_and_query) const {
  std::string body;
  if (base_.empty()) return body;
  CURL* curl = curl_easy_init();
  const std::string url = base_ + path_and_query;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  EXPECT_EQ(result, CURLE_OK) << url;
  EXPECT_EQ(status, 200) << url;
  return body;
}

std::string CollectTlsUrl() {
  const char* base = std::getenv("COLLECT_TLS_URL");
  return base != nullptr ? base : "";
}

TempFolder::TempFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static LONG counter = 0;
  char name[MAX_PATH + 64];
  std::snprintf(name, sizeof(name), "%ssdk-test-%lu-%ld\\", temp, GetCurrentProcessId(),
                InterlockedIncrement(&counter));
  path_ = name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path_ + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileA((path_ + found.cFileName).c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(path_.c_str());
}

std::string ReadFileText(const std::string& path) {
  std::string text;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, got);
    std::fclose(file);
  }
  return text;
}

void WriteFileText(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

Json::Value ParseJson(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors))
      << errors << " in " << text;
  return value;
}

std::vector<std::string> QueuedRecords() {
  const auto consumer = usage_analytics::Sdk::Consumer();
  return consumer != nullptr ? consumer->QueuedRecords() : std::vector<std::string>();
}

Json::Value LastQueued() {
  const auto records = QueuedRecords();
  return records.empty() ? Json::Value() : ParseJson(records.back());
}

}  // namespace sdk_testing
