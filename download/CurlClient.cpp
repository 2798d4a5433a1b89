#include "download/CurlClient.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "app/log/DebugLog.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"
#include "download/CurlTransferOptions.h"
#include "download/PeerCertificateCheck.h"

namespace {

std::wstring CurlText(int code) {
  return Utils::FromMultiByte(curl_easy_strerror(static_cast<CURLcode>(code)));
}

// Size of a file in bytes, or -1 when it cannot be read.
int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

CurlClient::CurlClient(const std::wstring& url, const std::wstring& target_path, void* owner,
                       ProgressHook hook)
    : url_(url), target_path_(target_path), owner_(owner), hook_(hook) {}

CurlClient::~CurlClient() {
  stop_ = true;
  DeleteFileW(PartPath().c_str());
}

bool CurlClient::Stopping() const { return stop_ || CurlRuntime::StopRequested(); }

int CurlClient::Start() {
  DEBUG_LOG(L"start download\r\n");
  const std::string url =
      Utils::StartsWith(url_, L"file:///") ? Utils::ToUtf8(url_, CP_ACP) : Utils::ToUtf8(url_);
  Probe(url);
  int result = 0;
  FILE* part = nullptr;
  if (total_length_ < kMinimumLength) {
    result = kNoUsableLength;
  } else if (!(transfer_ = curl_easy_init())) {
    result = kNoTransferHandle;
  } else if (!(part = _wfopen(PartPath().c_str(), L"ab+"))) {
    result = kPartFileNotOpened;
  } else {
    resume_offset_ = FileSize(PartPath());
    const int64_t total = static_cast<int64_t>(total_length_);
    if (resume_offset_ > total) {
      // More bytes than the file has can only be a corrupt earlier attempt.
      fclose(part);
      part = _wfopen(PartPath().c_str(), L"wb+");
      resume_offset_ = 0;
    }
    if (!part) {
      result = kPartFileNotOpened;
    } else if (resume_offset_ != total) {
      // A part file that already holds every byte needs no request: asking
      // for the range after its end would only earn an error status.
      result = Transfer(part, resume_offset_);
    }
  }
  DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  if (transfer_) {
    curl_easy_cleanup(transfer_);
    transfer_ = nullptr;
  }
  if (part) fclose(part);
  result = FinishPart(result);
  DEBUG_LOG(L"end download\r\n");
  return result;
}

void CurlClient::Probe(const std::string& url) {
  if (real_url_.empty() || total_length_ < kMinimumLength) {
    CURL* handle = Head(url);
    real_url_ = GetRealUrl(handle);
    total_length_ = GetDownloadFileLength(handle);
    if (handle) curl_easy_cleanup(handle);
  }
  if (real_url_.empty() || total_length_ < kMinimumLength) {
    real_url_ = GetRealUrl_Str(url);
    if (!real_url_.empty()) total_length_ = GetDownloadFileLength_Str(real_url_);
  }
}

int CurlClient::Transfer(FILE* part, int64_t already_present) {
  curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
  headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
  curl_easy_setopt(transfer_, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(transfer_, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(transfer_, CURLOPT_TCP_KEEPIDLE, 10L);
  curl_easy_setopt(transfer_, CURLOPT_TCP_KEEPINTVL, 10L);
  int result = 0;
  result |= curl_easy_setopt(transfer_, CURLOPT_TIMEOUT, 0L);
  result |= curl_easy_setopt(transfer_, CURLOPT_URL, real_url_.c_str());
  result |= curl_easy_setopt(transfer_, CURLOPT_FOLLOWLOCATION, 1L);
  result |= curl_easy_setopt(transfer_, CURLOPT_WRITEFUNCTION, &CurlClient::AppendToFile);
  part_file_ = part;
  speed_received_ = 0;
  speed_since_ms_ = GetTickCount64();
  peer_checked_ = false;
  peer_rejected_ = false;
  result |= curl_easy_setopt(transfer_, CURLOPT_WRITEDATA, this);
  result |= curl_easy_setopt(transfer_, CURLOPT_NOPROGRESS, 0L);
  result |= curl_easy_setopt(transfer_, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
  result |= curl_easy_setopt(transfer_, CURLOPT_XFERINFODATA, this);
  result |= curl_easy_setopt(transfer_, CURLOPT_FAILONERROR, 1L);
  result |= curl_easy_setopt(transfer_, CURLOPT_CONNECTTIMEOUT, 60L);
  result |= CurlTransferOptions::ApplySafety(transfer_, kSingleStreamStallSeconds);
  if (already_present > 0) {
    result |= curl_easy_setopt(transfer_, CURLOPT_RESUME_FROM_LARGE,
                               static_cast<curl_off_t>(already_present));
  }
  if (result == 0) result = curl_easy_perform(transfer_);
  if (peer_rejected_) result = CURLE_PEER_FAILED_VERIFICATION;
  part_file_ = nullptr;
  if (result == CURLE_HTTP_RETURNED_ERROR) {
    long status = 0;
    curl_easy_getinfo(transfer_, CURLINFO_RESPONSE_CODE, &status);
    // The server no longer accepts the range after the part file: start over.
    if (status == 416) result = CURLE_RANGE_ERROR;
  }
  curl_slist_free_all(headers);
  return result;
}

int CurlClient::FinishPart(int result) {
  const std::wstring part_path = PartPath();
  if (result == CURLE_RANGE_ERROR) {
    // The server will not resume this part file (it ignored or refused the
    // range), so its bytes cannot be continued; the next attempt starts over.
    DeleteFileW(part_path.c_str());
    return result;
  }
  if (result != 0) return result;
  // A connection that ends without a length looks complete to libcurl even
  // when it was cut; only the length from the probes tells.
  const int64_t size = FileSize(part_path);
  const int64_t total = static_cast<int64_t>(total_length_);
  if (size != total) {
    if (size > total) DeleteFileW(part_path.c_str());
    return CURLE_PARTIAL_FILE;
  }
  DeleteFileW(target_path_.c_str());
  if (!MoveFileW(part_path.c_str(), target_path_.c_str())) return CURLE_WRITE_ERROR;
  return 0;
}

CURL* CurlClient::NewProbeHandle(const std::string& url) {
  CURL* handle = curl_easy_init();
  if (!handle) return nullptr;
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::Discard);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::AbortOnStop);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  CurlTransferOptions::ApplyProbeSafety(handle);
  return handle;
}

CURL* CurlClient::Head(const std::string& url) {
  CURL* handle = NewProbeHandle(url);
  if (!handle) return nullptr;
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  int result = curl_easy_perform(handle);
  if (result == CURLE_OK && !PeerCertificateCheck::Trusted(handle)) {
    result = CURLE_PEER_FAILED_VERIFICATION;
  }
  if (result != CURLE_OK) DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  if (result == CURLE_PEER_FAILED_VERIFICATION) {
    // Nothing an unproven server said may be used.
    curl_easy_cleanup(handle);
    return nullptr;
  }
  return handle;
}

std::string CurlClient::GetRealUrl(CURL* handle) {
  if (!handle) return std::string();
  char* effective = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) {
    return std::string();
  }
  return effective;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
  if (!handle) return -1.0;
  long status = 0;
  int result = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  double length = -1.0;
  if (result == CURLE_OK && status >= 200 && status <= 399) {
    curl_off_t value = -1;
    result = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &value);
    if (result == CURLE_OK) length = static_cast<double>(value);
  }
  DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  CURL* handle = NewProbeHandle(url);
  if (!handle) return url;
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  std::string real = url;
  int result = curl_easy_perform(handle);
  if (result == CURLE_OK && !PeerCertificateCheck::Trusted(handle)) {
    result = CURLE_PEER_FAILED_VERIFICATION;
  }
  if (result != CURLE_OK) {
    DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  } else {
    const std::string effective = GetRealUrl(handle);
    if (!effective.empty()) real = effective;
  }
  curl_easy_cleanup(handle);
  return real;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  CURL* handle = NewProbeHandle(url);
  if (!handle) return -1.0;
  curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
  int result = curl_easy_perform(handle);
  if (result == CURLE_OK && !PeerCertificateCheck::Trusted(handle)) {
    result = CURLE_PEER_FAILED_VERIFICATION;
  }
  curl_off_t value = -1;
  if (result == CURLE_PEER_FAILED_VERIFICATION ||
      curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &value) != CURLE_OK) {
    value = -1;
  }
  DEBUG_LOG(L"error:%d:%s\r\n", result, CurlText(result).c_str());
  curl_easy_cleanup(handle);
  return static_cast<double>(value);
}

int CurlClient::ProgressCallback(void* data, curl_off_t expected, curl_off_t received, curl_off_t,
                                 curl_off_t) {
  CurlClient* client = static_cast<CurlClient*>(data);
  if (client->Stopping()) return 1;
  const int64_t now = static_cast<int64_t>(time(nullptr));
  if (now == client->last_progress_time_) return 0;
  client->last_progress_time_ = now;
  // The current speed, over the time since the last evaluation. libcurl's
  // own figure is the attempt's average, which never falls to 0 while a
  // connection stalls, so it would keep reporting unchanged progress.
  const ULONGLONG now_ms = GetTickCount64();
  const ULONGLONG elapsed_ms =
      now_ms > client->speed_since_ms_ ? now_ms - client->speed_since_ms_ : 1;
  const curl_off_t fresh =
      received > client->speed_received_ ? received - client->speed_received_ : 0;
  const double speed = static_cast<double>(fresh) * 1000.0 / static_cast<double>(elapsed_ms);
  client->speed_received_ = received;
  client->speed_since_ms_ = now_ms;
  double percent = 0.0;
  if (client->total_length_ > kMinimumLength) {
    const int64_t before = client->resume_offset_ > 0 ? client->resume_offset_ : 0;
    percent = static_cast<double>(received + before) / client->total_length_ * 100.0;
  } else if (received > 0 && expected > 0) {
    percent = static_cast<double>(received) * 100.0 / static_cast<double>(expected);
  } else {
    return 0;
  }
  if (percent != 0.0) {
    client->hook_(client->owner_, speed, 0.0, percent);
    if (expected != 0) {
      DEBUG_LOG(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(received >> 20),
                static_cast<int>(expected >> 20), static_cast<double>(static_cast<float>(percent)),
                static_cast<double>(static_cast<float>(speed / 1024.0)));
    }
  }
  return 0;
}

int CurlClient::AbortOnStop(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CurlClient*>(data)->Stopping() ? 1 : 0;
}

size_t CurlClient::Discard(char*, size_t size, size_t count, void*) { return size * count; }

size_t CurlClient::AppendToFile(char* data, size_t size, size_t count, void* user) {
  CurlClient* client = static_cast<CurlClient*>(user);
  if (!client->peer_checked_) {
    client->peer_checked_ = true;
    client->peer_rejected_ = !PeerCertificateCheck::Trusted(client->transfer_);
  }
  if (client->peer_rejected_) return 0;
  return fwrite(data, size, count, client->part_file_) * size;
}
