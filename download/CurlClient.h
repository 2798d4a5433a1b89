#pragma once
// One-stream libcurl transfer of a file into "<target>.part", resumed from
// the part file's size on every attempt and renamed to the target when the
// transfer is complete.
//
// Thread contract: `Start` and the probes run on the owning downloader's
// worker thread only; libcurl calls the write and progress functions on that
// same thread. `RequestStop` may be called from any thread: the running
// transfer aborts at its next progress call. The owner must make sure no
// attempt runs when the client is destroyed (destruction removes the part
// file).

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <string>

class CurlClient {
 public:
  // (owner, speed in bytes per second, reserved 0.0, percent)
  using ProgressHook = void (*)(void* owner, double speed, double reserved, double percent);

  // Results of an attempt besides libcurl's codes.
  static const int kNoUsableLength = -998;
  static const int kNoTransferHandle = -997;
  static const int kPartFileNotOpened = -996;
  // The smallest package accepted.
  static const int64_t kMinimumLength = 1048576;

  CurlClient(const std::wstring& url, const std::wstring& target_path, void* owner,
             ProgressHook hook);
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  // One transfer attempt: 0 when the target file is complete, otherwise a
  // libcurl code or one of the codes above.
  int Start();
  void RequestStop() { stop_ = true; }

  const std::string& RealUrl() const { return real_url_; }
  double TotalLength() const { return total_length_; }
  std::wstring PartPath() const { return target_path_ + L".part"; }

  // The probes. `Head` performs a headers-only request following redirects
  // and returns its handle (the caller releases it), or null.
  CURL* Head(const std::string& url);
  std::string GetRealUrl(CURL* handle);
  double GetDownloadFileLength(CURL* handle);
  std::string GetRealUrl_Str(const std::string& url);
  double GetDownloadFileLength_Str(const std::string& url);

 private:
  static int ProgressCallback(void* client, curl_off_t expected, curl_off_t received,
                              curl_off_t upload_total, curl_off_t uploaded);
  static int AbortOnStop(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  static size_t Discard(char* data, size_t size, size_t count, void* unused);
  static size_t AppendToFile(char* data, size_t size, size_t count, void* client);

  CURL* NewProbeHandle(const std::string& url);
  void Probe(const std::string& url);
  int Transfer(FILE* part, int64_t already_present);
  int FinishPart(int result);
  bool Stopping() const;

  std::wstring url_;
  std::wstring target_path_;
  void* owner_;
  ProgressHook hook_;
  CURL* transfer_ = nullptr;
  double total_length_ = -1.0;
  int64_t resume_offset_ = -1;
  int64_t last_progress_time_ = 0;
  std::atomic<bool> stop_{false};
  std::string real_url_;
  // The part file of the running transfer, and the server's proof of
  // identity, checked before its first byte is stored.
  FILE* part_file_ = nullptr;
  // Bytes of the attempt at the last progress evaluation, and its time.
  curl_off_t speed_received_ = 0;
  unsigned long long speed_since_ms_ = 0;
  bool peer_checked_ = false;
  bool peer_rejected_ = false;
};
