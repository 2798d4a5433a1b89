#include "download/CurlDownloader.h"

#include <windows.h>

#include "app/log/DebugLog.h"
#include "app/utils/Files.h"
#include "app/utils/Text.h"
#include "download/CurlRuntime.h"

CCurlDownloader::CCurlDownloader(DownloadCallback callback, const std::wstring& url,
                                 const std::wstring& target_path)
    : callback_(std::move(callback)),
      url_(url),
      target_path_(target_path),
      client_(url, target_path, this, &CCurlDownloader::ProgressHook),
      runner_([this] { dlThreadFun(); }) {
  // A part file left by an earlier process belongs to a download nobody
  // can vouch for; this downloader starts from nothing.
  if (!target_path_.empty()) DeleteFileW(client_.PartPath().c_str());
}

CCurlDownloader::~CCurlDownloader() {
  client_.RequestStop();
  runner_.Stop();
  runner_.Join();
}

void CCurlDownloader::Start() { runner_.Start(); }

void CCurlDownloader::Report(int code, double progress, const wchar_t* text) {
  if (runner_.Cancelled() || !callback_) return;
  callback_(code, progress, text);
}

void CCurlDownloader::ProgressHook(void* owner, double speed, double, double percent) {
  if (speed > 0 && percent <= 100.0) {
    static_cast<CCurlDownloader*>(owner)->Report(DL_CODE_PROGRESS, percent / 100.0, L"");
  }
}

void CCurlDownloader::dlThreadFun() {
  Report(DL_CODE_START, 1.0, L"");
  if (target_path_.empty()) {
    Report(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  CurlRuntime::Use use;
  if (!use.Granted()) {
    Report(DL_CODE_FAIL, static_cast<double>(CURLE_FAILED_INIT), kLibCurlText);
    return;
  }
  int result = client_.Start();
  int budget = kRetryBudget;
  while (result != 0) {
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    if (budget < 1 || runner_.Stopping()) {
      Report(DL_CODE_FAIL, static_cast<double>(result), kLibCurlText);
      return;
    }
    DEBUG_LOG(L"CurlDownLoader Code=%d\r\n", result);
    if (!runner_.Pause(kRetryPauseMs)) {
      Report(DL_CODE_FAIL, static_cast<double>(result), kLibCurlText);
      return;
    }
    result = client_.Start();
  }

  const std::string expected = Utils::UrlParentSegment(client_.RealUrl());
  if (expected.size() == 32) {
    const std::string actual = Utils::ToUtf8(Utils::FileMd5(target_path_));
    if (actual.size() == 32 && actual != expected) {
      Report(DL_CODE_NOTICE, 0.0, kCurlMd5MismatchText);
      if (retried_) {
        Report(DL_CODE_FAIL, 0.0, kLibCurlText);
      } else {
        retried_ = true;
        Report(DL_CODE_RETRY, 0.0, kLibCurlText);
      }
      return;
    }
  } else {
    Report(DL_CODE_NOTICE, 0.0, kCurlMd5MissingText);
  }
  Report(DL_CODE_SUCCESS, 0.0, kLibCurlText);
}
