// The range transfers of the multi-part downloader: one thread per pending
// range, each making attempts within its budget.

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "app/log/DebugLog.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"
#include "download/CurlTransferOptions.h"
#include "download/MTCurlDownloader.h"
#include "download/PeerCertificateCheck.h"

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* node) {
  int budget = kRangeRetryBudget;
  for (;;) {
    const int result = downloadExe(node);
    if (result == 0 || budget <= 0 || runner_.Stopping()) break;
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    DEBUG_LOG(L"CurlDownLoader Code=%d\r\n", result);
    if (!runner_.Pause(kRangeRetryPauseMs)) break;
  }
  if (node->file) {
    fclose(node->file);
    node->file = nullptr;
  }
  --running_;
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* node) {
  char range[64];
  snprintf(range, sizeof(range), "%lld-%lld", static_cast<long long>(node->next_offset),
           static_cast<long long>(node->last_offset));
  CURL* handle = node->transfer;
  if (!handle) {
    node->status = CURLE_FAILED_INIT;
    return node->status;
  }
  int result = 0;
  result |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_URL, node->url.c_str());
  result |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);
  result |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::WritePart);
  result |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, node);
  result |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  result |=
      curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::ProgressFunction);
  result |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  result |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  result |= CurlTransferOptions::ApplySafety(handle, kRangeStallSeconds);
  result |= curl_easy_setopt(handle, CURLOPT_RANGE, range);
  if (result != 0) return result;

  node->attempt_start = node->next_offset;
  node->peer_checked = false;
  node->peer_rejected = false;
  result = curl_easy_perform(handle);
  if (node->peer_rejected) result = CURLE_PEER_FAILED_VERIFICATION;
  if (result != CURLE_OK) {
    DEBUG_LOG(L"error:%d:%s\r\n", result,
              Utils::FromMultiByte(curl_easy_strerror(static_cast<CURLcode>(result))).c_str());
  } else {
    DEBUG_LOG(L"curl_easy_cleanup\r\n");
  }
  curl_easy_reset(handle);
  const bool all_bytes_present = node->next_offset > node->last_offset;
  if (result == CURLE_OK && !all_bytes_present) {
    // A connection closed without a length ends "successfully" however
    // early it was cut; the range is not complete.
    result = CURLE_PARTIAL_FILE;
  } else if (result != CURLE_OK && all_bytes_present && result == CURLE_WRITE_ERROR) {
    // The server sent more than the range (it ignored the range header from
    // the range's first byte on); every byte of the range is in place.
    result = CURLE_OK;
  }
  if (result == CURLE_OK && node->file) {
    fclose(node->file);
    node->file = nullptr;
  }
  node->status = result;
  return result;
}

size_t CMTCurlDownloader::WritePart(char* data, size_t size, size_t count, void* user) {
  DownloadPartNode* node = static_cast<DownloadPartNode*>(user);
  if (!node || !node->file || node->next_offset > node->last_offset) return 0;
  if (!node->peer_checked) {
    node->peer_checked = true;
    node->peer_rejected = !PeerCertificateCheck::Trusted(node->transfer);
  }
  if (node->peer_rejected) return 0;
  long status = 0;
  curl_easy_getinfo(node->transfer, CURLINFO_RESPONSE_CODE, &status);
  // A whole-file answer (the server ignored the range) starts at byte 0 of
  // the file; its bytes belong here only when this attempt starts there too.
  // Anything else would be stored at the wrong place.
  // Protocols without a status (local files) honour the range themselves.
  if (status != 0 && status != 206 && node->attempt_start != 0) return 0;
  const int64_t n = static_cast<int64_t>(size * count);
  int64_t take = n;
  if (node->next_offset + n > node->last_offset + 1)
    take = node->last_offset - node->next_offset + 1;
  const size_t written = fwrite(data, 1, static_cast<size_t>(take), node->file);
  node->next_offset += static_cast<int64_t>(written);
  node->downloaded += static_cast<int64_t>(written);
  return written;
}

int CMTCurlDownloader::ProgressFunction(void* owner, curl_off_t, curl_off_t, curl_off_t,
                                        curl_off_t) {
  CMTCurlDownloader* self = static_cast<CMTCurlDownloader*>(owner);
  // Aborting is only for a downloader being destroyed or a process shutting
  // down libcurl; otherwise progress never ends a transfer.
  if (self->runner_.Stopping()) return 1;
  std::lock_guard<std::mutex> lock(self->lock_);
  const int64_t now = static_cast<int64_t>(time(nullptr));
  if (now - self->last_report_time_ < 1) return 0;
  self->last_report_time_ = now;
  double sum = 0.0;
  if (self->file_length_ >= kSmallestLength) {
    for (const auto& part : self->parts_) {
      const int64_t downloaded = part->downloaded;
      if (downloaded > 0) {
        sum += static_cast<double>(downloaded) * 100.0 / static_cast<double>(self->file_length_);
      }
    }
  }
  if (sum > 100.0) return 0;
  if (sum - self->last_progress_ < 1.0) return 0;
  self->last_progress_ = sum;
  self->Report(DL_CODE_PROGRESS, sum / 100.0, L"");
  return 0;
}

int CMTCurlDownloader::AbortOnStop(void* owner, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CMTCurlDownloader*>(owner)->runner_.Stopping() ? 1 : 0;
}

size_t CMTCurlDownloader::Discard(char*, size_t size, size_t count, void*) { return size * count; }
