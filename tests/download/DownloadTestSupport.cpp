#include "tests/download/DownloadTestSupport.h"

#include <wincrypt.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "app/settings/InstallerSettings.h"
#include "app/utils/Files.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"

namespace dltest {

namespace {

// libcurl is initialised once for the whole test program, as the installer
// does at start-up, and cleaned up after the last test.
class CurlEnvironment : public testing::Environment {
 public:
  void SetUp() override { InstallerSettings::Instance().HttpReady = CurlRuntime::GlobalInit(); }
  void TearDown() override { CurlRuntime::GlobalCleanup(); }
};

const testing::Environment* const g_curl_environment =
    testing::AddGlobalTestEnvironment(new CurlEnvironment);

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

std::string Http(const std::string& url, const std::string* post_body) {
  CURL* handle = curl_easy_init();
  std::string out;
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &out);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 120L);
  if (post_body) curl_easy_setopt(handle, CURLOPT_POSTFIELDS, post_body->c_str());
  const CURLcode result = curl_easy_perform(handle);
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(handle);
  if (result != CURLE_OK || status != 200) {
    throw std::runtime_error("control request failed: " + url + " " + out);
  }
  return out;
}

Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::istringstream in(text);
  std::string errors;
  if (!Json::parseFromStream(builder, in, &value, &errors)) {
    throw std::runtime_error("bad JSON from server: " + errors);
  }
  return value;
}

}  // namespace

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::wstring Wide(const std::string& text) { return Utils::FromMultiByte(text); }

DlServer::DlServer() : base_(Env("DLSERVER_URL")) {
  if (base_.empty()) throw std::runtime_error("DLSERVER_URL is not set: harness not running");
  Reset();
}

Package DlServer::Create(const std::string& name, long long size, int seed) {
  const std::string body = "{\"name\":\"" + name + "\",\"size\":" + std::to_string(size) +
                           ",\"seed\":" + std::to_string(seed) + "}";
  const Json::Value reply = ParseJson(Http(base_ + "/_control/package", &body));
  Package package;
  package.name = name;
  package.md5 = reply["md5"].asString();
  package.size = size;
  package.path = reply["path"].asString();
  return package;
}

void DlServer::Rules(const std::string& rules) {
  const std::string body = "{\"rules\":" + rules + "}";
  Http(base_ + "/_control/rules", &body);
}

void DlServer::Reset() {
  const std::string body = "{}";
  Http(base_ + "/_control/reset", &body);
}

std::vector<LoggedRequest> DlServer::Log() {
  const Json::Value reply = ParseJson(Http(base_ + "/_control/log", nullptr));
  std::vector<LoggedRequest> log;
  for (const auto& entry : reply) {
    log.push_back(
        {entry["method"].asString(), entry["path"].asString(), entry["range"].asString()});
  }
  return log;
}

std::vector<LoggedRequest> DlServer::Requests(const std::string& method,
                                              const std::string& fragment) {
  std::vector<LoggedRequest> matching;
  for (const auto& request : Log()) {
    if (request.method == method && request.path.find(fragment) != std::string::npos) {
      matching.push_back(request);
    }
  }
  return matching;
}

DownloadCallback EventRecorder::Callback() {
  return [this](int code, double value, const wchar_t* text) { Record(code, value, text); };
}

void EventRecorder::Record(int code, double value, const wchar_t* text) {
  CDownloader* restart = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({code, value, text ? text : L"<null>", std::chrono::steady_clock::now()});
    if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) ++finals_;
    if (code == DL_CODE_RETRY) {
      if (restart_) {
        restart = restart_;
      } else {
        ++finals_;
      }
    }
  }
  changed_.notify_all();
  // Outside the lock, exactly as the pipeline reacts: on the reporting thread.
  if (restart) restart->Start();
}

bool EventRecorder::WaitFinals(int count, int timeout_seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(timeout_seconds),
                           [&] { return finals_ >= count; });
}

std::vector<Event> EventRecorder::Events() {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<int> EventRecorder::Codes() {
  std::vector<int> codes;
  for (const auto& event : Events()) {
    if (event.code != DL_CODE_PROGRESS) codes.push_back(event.code);
  }
  return codes;
}

int EventRecorder::Count(int code) {
  int n = 0;
  for (const auto& event : Events()) n += event.code == code;
  return n;
}

int EventRecorder::LastFinal() {
  const auto codes = Codes();
  return codes.empty() ? 0 : codes.back();
}

double EventRecorder::LastFinalValue() {
  const auto events = Events();
  for (auto it = events.rbegin(); it != events.rend(); ++it) {
    if (it->code != DL_CODE_PROGRESS && it->code != DL_CODE_NOTICE) return it->value;
  }
  return 0.0;
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static int counter = 0;
  path_ = std::wstring(base) + L"kdl_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(++counter);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileW(File(data.cFileName).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path_.c_str());
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Md5Of(const std::wstring& path) { return Utils::ToUtf8(Utils::FileMd5(path)); }

std::wstring PackageUrl(const std::string& base, const Package& package, int redirects,
                        const std::string& segment) {
  std::string url = base;
  if (redirects > 0) url += "/r/" + std::to_string(redirects);
  url += "/files/" + (segment.empty() ? package.md5 : segment) + "/" + package.name;
  return Wide(url);
}

bool SetTestCaTrusted(bool trusted) {
  const std::wstring path = Wide(Env("DLSERVER_CA_CERT"));
  if (path.empty()) return false;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string der(16384, '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(file, &der[0], static_cast<DWORD>(der.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read == 0) return false;
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!store) return false;
  BOOL done = FALSE;
  if (trusted) {
    done = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                            reinterpret_cast<const BYTE*>(der.data()), read,
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  } else {
    // The registry holds the current user's root store; removing the
    // certificate's key there takes it out for every later chain check.
    PCCERT_CONTEXT ca = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), read);
    BYTE hash[20];
    DWORD hash_size = sizeof(hash);
    done = ca && CertGetCertificateContextProperty(ca, CERT_SHA1_HASH_PROP_ID, hash, &hash_size);
    if (done) {
      std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
      const wchar_t* digits = L"0123456789ABCDEF";
      for (DWORD i = 0; i < hash_size; ++i) {
        key += digits[hash[i] >> 4];
        key += digits[hash[i] & 15];
      }
      const LONG removed = RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
      done = removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    if (ca) CertFreeCertificateContext(ca);
  }
  CertCloseStore(store, 0);
  return done != FALSE;
}

}  // namespace dltest
