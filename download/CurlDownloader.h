#pragma once
// The single-stream downloader: one HTTP stream into "<target>.part",
// resumed after failed attempts, renamed to the target when complete and
// checked against the MD5 in the final address.
//
// Thread contract: see CDownloader. Runs happen on the downloader's worker
// thread ("ABDEF"), which is also the thread of every callback. The
// destructor (owner's thread) stops a running transfer, waits for the worker
// and removes the part file; no callback follows it.

#include <string>

#include "download/CurlClient.h"
#include "download/Downloader.h"
#include "download/RunController.h"

class CCurlDownloader : public CDownloader {
 public:
  // Retry budget of a run: a partial-file failure costs 1, any other 2.
  static const int kRetryBudget = 12;
  static const unsigned kRetryPauseMs = 500;

  CCurlDownloader(DownloadCallback callback, const std::wstring& url,
                  const std::wstring& target_path);
  ~CCurlDownloader() override;

  void Start() override;

 private:
  void dlThreadFun();
  void Report(int code, double progress, const wchar_t* text);
  static void ProgressHook(void* owner, double speed, double reserved, double percent);

  DownloadCallback callback_;
  std::wstring url_;
  std::wstring target_path_;
  bool retried_ = false;
  CurlClient client_;
  // Last, so that it is destroyed (and its thread joined) before the rest.
  RunController runner_;
};
