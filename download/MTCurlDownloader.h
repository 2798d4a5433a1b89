#pragma once
// The multi-part downloader: probes the final address and length, fetches
// the file in at most two byte ranges at once into "<target>_0" and
// "<target>_1", joins them into the target and checks the MD5 carried in the
// final address.
//
// Thread contract: see CDownloader. A run's worker thread ("ABDEF") probes,
// starts one thread per pending range, waits for them, joins the parts and
// reports the final code; progress (1002) comes from the range threads,
// serialised by `lock_`. Range threads are owned by their part and joined by
// the worker before the parts are released, so no thread outlives a run.
// The destructor (owner's thread) aborts running transfers at their next
// progress call, waits for every thread and reports nothing more.

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/utils/Thread.h"
#include "download/Downloader.h"
#include "download/RunController.h"

class CMTCurlDownloader : public CDownloader {
 public:
  static const int64_t kBytesPerPart = 10485760;
  static const int kMostParts = 2;
  static const int64_t kSmallestLength = 256;
  static const int kRangeRetryBudget = 12;
  static const unsigned kRangeRetryPauseMs = 400;
  static const unsigned kThreadStartPauseMs = 100;
  static const unsigned kCompletionPollMs = 200;
  static const long kRangeStallSeconds = 5;
  static const size_t kJoinBufferBytes = 256 * 1024;
  // Failure codes of a part besides libcurl's.
  static const int kPartPending = -1;
  static const int kPartFileNotOpened = -2;
  static const int kPartsNotJoined = -3;

  // One byte range of the file and its part file.
  struct DownloadPartNode {
    FILE* file = nullptr;
    int64_t next_offset = 0;    // next byte of the whole file to fetch
    int64_t last_offset = 0;    // last byte of the range, inclusive
    int64_t attempt_start = 0;  // next_offset when the current attempt began
    bool peer_checked = false;  // the server's identity was checked this attempt
    bool peer_rejected = false;
    CURL* transfer = nullptr;
    std::string url;
    std::wstring part_path;
    int status = kPartPending;
    std::atomic<int64_t> downloaded{0};
    CMTCurlDownloader* owner = nullptr;
    Utils::Thread thread;
  };

  CMTCurlDownloader(DownloadCallback callback, const std::wstring& url,
                    const std::wstring& target_path);
  ~CMTCurlDownloader() override;

  void Start() override;

  // The ranges (first, last byte inclusive) a file of `length` bytes is
  // fetched in.
  static std::vector<std::pair<int64_t, int64_t>> SplitRanges(int64_t length);

 private:
  void Start_Down();
  bool getRealDownloadUrl(const std::string& url);
  bool SetUpParts();
  void StartRangeThreads();
  void waitForFinishThreadFun();
  // Appends the further parts to part 0 and renames it to the target;
  // `appended` is told of each part once it is in.
  bool JoinParts(const std::function<void(const std::wstring&)>& appended);
  void ReleaseParts();
  void DeletePartFiles() const;
  std::wstring PartPath(int index) const;
  void Report(int code, double progress, const wchar_t* text);

  // Range transfers (MTCurlRange.cpp).
  void downloadThreadFun(DownloadPartNode* node);
  int downloadExe(DownloadPartNode* node);
  static size_t WritePart(char* data, size_t size, size_t count, void* node);
  static int ProgressFunction(void* owner, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  static int AbortOnStop(void* owner, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  static size_t Discard(char* data, size_t size, size_t count, void* unused);

  DownloadCallback callback_;
  std::wstring url_;
  std::wstring target_path_;
  bool retried_ = false;
  std::vector<std::unique_ptr<DownloadPartNode>> parts_;
  std::string real_url_;
  int64_t file_length_ = -1;
  std::string expected_md5_;
  double last_progress_ = 0.0;  // percent
  std::atomic<int> running_{0};
  int64_t last_report_time_ = 0;
  std::mutex lock_;
  // Last, so that it is destroyed (and its thread joined) before the rest.
  RunController runner_;
};
