#include "download/MTCurlDownloader.h"

#include <windows.h>

#include "app/log/DebugLog.h"
#include "app/settings/InstallerSettings.h"
#include "app/utils/Files.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"
#include "download/CurlTransferOptions.h"
#include "download/PeerCertificateCheck.h"

namespace {

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(DownloadCallback callback, const std::wstring& url,
                                     const std::wstring& target_path)
    : callback_(std::move(callback)),
      url_(url),
      target_path_(target_path),
      runner_([this] { Start_Down(); }) {
  // Files of an earlier process are never resumed: nobody can vouch for them.
  DeleteFileW(target_path_.c_str());
  DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
  runner_.Stop();
  runner_.Join();
  ReleaseParts();
}

void CMTCurlDownloader::Start() { runner_.Start(); }

std::wstring CMTCurlDownloader::PartPath(int index) const {
  return target_path_ + L"_" + std::to_wstring(index);
}

void CMTCurlDownloader::DeletePartFiles() const {
  DeleteFileW(PartPath(0).c_str());
  DeleteFileW(PartPath(1).c_str());
}

void CMTCurlDownloader::Report(int code, double progress, const wchar_t* text) {
  if (runner_.Cancelled() || !callback_) return;
  callback_(code, progress, text);
}

std::vector<std::pair<int64_t, int64_t>> CMTCurlDownloader::SplitRanges(int64_t length) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (length <= 0) return ranges;
  int64_t count = length / kBytesPerPart;
  if (count < 1) count = 1;
  if (count > kMostParts) count = kMostParts;
  const int64_t size = length / count;
  int64_t start = 0;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t part = i == count - 1 ? size + length % count : size;
    ranges.emplace_back(start, start + part - 1);
    start += part;
  }
  return ranges;
}

void CMTCurlDownloader::Start_Down() {
  Report(DL_CODE_START, 1.0, L"");
  DEBUG_LOG(L"start download\r\n");
  CurlRuntime::Use use;
  if (!use.Granted()) {
    Report(DL_CODE_FAIL, 0.0, kLibCurlText);
    return;
  }
  const std::string url =
      Utils::StartsWith(url_, L"file:///") ? Utils::ToUtf8(url_, CP_ACP) : Utils::ToUtf8(url_);
  DeleteFileW(target_path_.c_str());
  if (last_progress_ == 0.0) DeletePartFiles();
  if (real_url_.empty() || file_length_ < kSmallestLength) {
    if (!getRealDownloadUrl(url)) {
      Report(DL_CODE_FAIL, 0.0, kLibCurlText);
      return;
    }
  }
  SetUpParts();
  StartRangeThreads();
  waitForFinishThreadFun();
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
  real_url_.clear();
  expected_md5_.clear();
  file_length_ = 0;
  if (!InstallerSettings::Instance().HttpReady) return false;
  CURL* handle = curl_easy_init();
  if (!handle) return false;
  curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
  int options = 0;
  options |= curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  options |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::Discard);
  options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  options |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::AbortOnStop);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  options |= CurlTransferOptions::ApplyProbeSafety(handle);
  bool ok = options == 0 && curl_easy_perform(handle) == CURLE_OK &&
            PeerCertificateCheck::Trusted(handle);
  if (ok) {
    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective &&
        *effective) {
      real_url_ = effective;
      DEBUG_LOG(L"Download File real url %s\r\n", Utils::FromMultiByte(real_url_).c_str());
      expected_md5_ = Utils::UrlParentSegment(real_url_);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
        status <= 399) {
      file_length_ = static_cast<int64_t>(length);
      DEBUG_LOG(L"Download File Length %lld\r\n", static_cast<long long>(file_length_));
      // The length is kept in 32 bits: a larger file cannot be fetched.
      if (file_length_ > 0x7FFFFFFF) ok = false;
    }
  }
  curl_easy_cleanup(handle);
  curl_slist_free_all(headers);
  return ok && !real_url_.empty() && file_length_ >= kSmallestLength;
}

bool CMTCurlDownloader::SetUpParts() {
  ReleaseParts();
  const auto ranges = SplitRanges(file_length_);
  for (size_t i = 0; i < ranges.size(); ++i) {
    auto node = std::make_unique<DownloadPartNode>();
    node->owner = this;
    node->part_path = PartPath(static_cast<int>(i));
    int64_t existing = FileSize(node->part_path);
    if (existing < 0) existing = 0;
    node->downloaded = existing;
    node->next_offset = ranges[i].first + existing;
    node->last_offset = ranges[i].second;
    node->transfer = curl_easy_init();
    node->url = real_url_;
    if (node->next_offset > node->last_offset) {
      node->status = 0;
    } else {
      node->status = kPartPending;
      node->file = _wfopen(node->part_path.c_str(), L"ab+");
      if (!node->file) node->status = kPartFileNotOpened;
    }
    parts_.push_back(std::move(node));
  }
  return true;
}

void CMTCurlDownloader::StartRangeThreads() {
  for (auto& part : parts_) {
    if (part->status != kPartPending) continue;
    if (runner_.Stopping()) break;
    DownloadPartNode* node = part.get();
    ++running_;
    if (!node->thread.Start(
            L"ABDEF", [this, node](void*) { downloadThreadFun(node); }, nullptr)) {
      --running_;
      continue;
    }
    node->thread.Resume();
    runner_.Pause(kThreadStartPauseMs);
  }
}

void CMTCurlDownloader::waitForFinishThreadFun() {
  while (running_ > 0) Sleep(kCompletionPollMs);
  for (auto& part : parts_) part->thread.Join();
  if (runner_.Cancelled()) {
    ReleaseParts();
    return;
  }

  int failure = 0;
  for (auto& part : parts_) {
    if (part->status != 0) {
      failure = part->status;
      break;
    }
  }
  if (failure == 0) {
    last_progress_ = 0.0;
    // The completion's own log line names each part as it is appended.
    if (!JoinParts(
            [](const std::wstring& path) { DEBUG_LOG(L"partPath::%s\r\n", path.c_str()); })) {
      // Whatever the join left behind cannot be trusted for a resume.
      DeleteFileW(target_path_.c_str());
      DeletePartFiles();
      failure = kPartsNotJoined;
    }
  }
  if (failure == 0) {
    if (expected_md5_.size() == 32) {
      const std::string actual = Utils::ToUtf8(Utils::FileMd5(target_path_));
      if (actual.size() == 32 && actual != expected_md5_) {
        Report(DL_CODE_NOTICE, 0.0, kMTCurlMd5MismatchText);
        DeleteFileW(target_path_.c_str());
        ReleaseParts();
        if (retried_) {
          DEBUG_LOG(L"finish recv, md5 chaek failed and retry failed.\r\n");
          Report(DL_CODE_FAIL, 0.0, kLibCurlText);
        } else {
          retried_ = true;
          DEBUG_LOG(L"finish recv, md5 chaek failed retry once.\r\n");
          Report(DL_CODE_RETRY, 0.0, kLibCurlText);
        }
        return;
      }
    } else {
      Report(DL_CODE_NOTICE, 0.0, kMTCurlMd5MissingText);
    }
    DEBUG_LOG(L"finish recv\r\n");
    ReleaseParts();
    Report(DL_CODE_SUCCESS, 0.0, kLibCurlText);
    return;
  }

  ReleaseParts();
  if (last_progress_ == 0.0) DeletePartFiles();
  if (retried_) {
    last_progress_ = 0.0;
    Report(DL_CODE_FAIL, static_cast<double>(failure), kLibCurlText);
  } else {
    retried_ = true;
    Report(DL_CODE_RETRY, static_cast<double>(failure), kLibCurlText);
  }
}

bool CMTCurlDownloader::JoinParts(const std::function<void(const std::wstring&)>& appended) {
  for (auto& part : parts_) {
    if (part->file) {
      fclose(part->file);
      part->file = nullptr;
    }
  }
  FILE* first = _wfopen(PartPath(0).c_str(), L"ab+");
  if (!first) return false;
  // The parts are copied in small blocks; large stdio buffers keep the
  // number of system calls of a join of hundreds of MiB low.
  std::vector<char> write_buffer(kJoinBufferBytes), read_buffer(kJoinBufferBytes);
  setvbuf(first, write_buffer.data(), _IOFBF, write_buffer.size());
  bool ok = true;
  char block[1024];
  for (size_t i = 1; i < parts_.size() && ok; ++i) {
    FILE* next = _wfopen(parts_[i]->part_path.c_str(), L"rb");
    if (!next) {
      ok = false;
      break;
    }
    setvbuf(next, read_buffer.data(), _IOFBF, read_buffer.size());
    size_t n;
    while ((n = fread(block, 1, sizeof(block), next)) > 0) {
      if (fwrite(block, 1, n, first) != n) {
        ok = false;
        break;
      }
    }
    if (ferror(next)) ok = false;
    fclose(next);
    appended(parts_[i]->part_path);
  }
  if (fclose(first) != 0) ok = false;
  // A short or overlong result means a part held bytes of another range.
  if (ok && FileSize(PartPath(0)) != file_length_) ok = false;
  if (ok) {
    DeleteFileW(target_path_.c_str());
    ok = MoveFileW(PartPath(0).c_str(), target_path_.c_str()) != 0;
  }
  DeletePartFiles();
  return ok;
}

void CMTCurlDownloader::ReleaseParts() {
  for (auto& part : parts_) {
    part->thread.Join();
    if (part->transfer) curl_easy_cleanup(part->transfer);
    if (part->file) fclose(part->file);
  }
  parts_.clear();
}
