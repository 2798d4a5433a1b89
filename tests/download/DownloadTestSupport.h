#pragma once
// Helpers of the download engine tests: the control API of the loopback
// download server, a thread-safe recorder of downloader callbacks and a
// temporary folder.
//
// Thread contract: `EventRecorder`'s callback may be called from any thread
// (downloader threads); everything else runs on the test's thread.

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "download/Downloader.h"

namespace dltest {

// A base URL from the harness environment ("" when the variable is absent).
std::string Env(const char* name);
std::wstring Wide(const std::string& text);

struct Package {
  std::string name;
  std::string md5;
  long long size = 0;
  std::string path;  // where the server keeps it (a path of the host)
};

struct LoggedRequest {
  std::string method;
  std::string path;
  std::string range;  // the Range header, "" when none
};

// The fault-injecting download server's control API.
class DlServer {
 public:
  DlServer();
  const std::string& base() const { return base_; }
  // Creates (once) a deterministic package of `size` bytes.
  Package Create(const std::string& name, long long size, int seed = 1);
  // Replaces the misbehaviour rules with the JSON array `rules`.
  void Rules(const std::string& rules);
  // Clears the rules and the request log.
  void Reset();
  std::vector<LoggedRequest> Log();
  // The requests of one method whose path contains `fragment`.
  std::vector<LoggedRequest> Requests(const std::string& method, const std::string& fragment);

 private:
  std::string base_;
};

struct Event {
  int code = 0;
  double value = 0.0;
  std::wstring text;
  std::chrono::steady_clock::time_point when;
};

// Records every callback. With a restart target set, it calls Start on it
// from inside the callback when DL_CODE_RETRY arrives, as the pipeline does.
class EventRecorder {
 public:
  DownloadCallback Callback();
  void RestartOnRetry(CDownloader* downloader) { restart_ = downloader; }
  // Waits until `count` final codes (1003/1004, and 1005 when no restart
  // target is set) have arrived; false on time-out.
  bool WaitFinals(int count, int timeout_seconds);
  std::vector<Event> Events();
  std::vector<int> Codes();  // without progress reports
  int Count(int code);
  int LastFinal();
  double LastFinalValue();

 private:
  void Record(int code, double value, const wchar_t* text);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  int finals_ = 0;
  CDownloader* restart_ = nullptr;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

bool FileExists(const std::wstring& path);
long long FileSize(const std::wstring& path);  // -1 when absent
std::string Md5Of(const std::wstring& path);

// The URL of a package at the test server, behind `redirects` redirects,
// with `segment` as the next-to-last path segment (its MD5 by default).
std::wstring PackageUrl(const std::string& base, const Package& package, int redirects,
                        const std::string& segment = std::string());

// Adds the loopback servers' test CA (DLSERVER_CA_CERT) to the current
// user's trusted root store of this Wine prefix, or removes it from there;
// false when that cannot be done.
bool SetTestCaTrusted(bool trusted);

}  // namespace dltest
