#include "download/CurlRuntime.h"

#include <curl/curl.h>

std::mutex CurlRuntime::mutex_;
std::condition_variable CurlRuntime::idle_;
int CurlRuntime::active_ = 0;
std::atomic<bool> CurlRuntime::stopping_{false};

bool CurlRuntime::GlobalInit() {
  stopping_ = false;
  return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
}

void CurlRuntime::GlobalCleanup() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    idle_.wait(lock, [] { return active_ == 0; });
  }
  curl_global_cleanup();
}

bool CurlRuntime::StopRequested() { return stopping_.load(); }

CurlRuntime::Use::Use() {
  std::lock_guard<std::mutex> lock(mutex_);
  granted_ = !stopping_;
  if (granted_) ++active_;
}

CurlRuntime::Use::~Use() {
  if (!granted_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (--active_ == 0) idle_.notify_all();
}
