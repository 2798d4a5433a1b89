#pragma once
// The contract every downloader of the setup package keeps.
//
// Thread contract:
// - The owner builds, starts and destroys a downloader on its own thread.
//   `Start` never blocks for a transfer: it returns at once and the run
//   happens on threads the downloader owns.
// - The callback is called only on the downloader's own threads, never on the
//   owner's, and may be called from several of them at once (progress of a
//   multi-part download). The final code of a run comes from one thread.
// - The owner may call `Start` again from inside the callback when it receives
//   `DL_CODE_RETRY`; that call never waits for the run that reported it. The
//   new run begins as soon as the reporting run has returned.
// - Destroying a downloader may happen at any time from the owner's thread
//   (not from inside its callback). It stops a transfer still in progress,
//   waits until every thread of the downloader has ended, and reports nothing
//   more afterwards.

#include <functional>
#include <memory>
#include <string>

// Called with (code, progress, text); `text` is never null and only valid
// during the call.
using DownloadCallback = std::function<void(int code, double progress, const wchar_t* text)>;

enum DownloadCode {
  DL_CODE_START = 1001,     // first report of every run; progress 1.0
  DL_CODE_PROGRESS = 1002,  // fraction of the file done, 0.0 to 1.0
  DL_CODE_SUCCESS = 1003,   // the file is complete (and verified when possible)
  DL_CODE_FAIL = 1004,      // the run failed and the downloader gives up
  DL_CODE_RETRY = 1005,     // first failure of the downloader: call Start again
  DL_CODE_NOTICE = 1006,    // a notice about the MD5 check; another code follows
};

// The name the pipeline writes into its log for a code ("DL_CODE_START"...);
// null for codes that have none (1006 and unknown codes).
const wchar_t* DownloadCodeName(int code);

// Texts that accompany the final codes, naming the transfer mechanism.
extern const wchar_t* const kLibCurlText;            // "LibCurl"
extern const wchar_t* const kUrlDownloadToFileText;  // "URLDownloadToFile"

// Notices (code 1006) about the MD5 check of each downloader.
extern const wchar_t* const kCurlMd5MismatchText;    // single-stream: digest differs
extern const wchar_t* const kCurlMd5MissingText;     // single-stream: no digest in address
extern const wchar_t* const kMTCurlMd5MismatchText;  // multi-part: digest differs
extern const wchar_t* const kMTCurlMd5MissingText;   // multi-part: no digest in address

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Begins (or begins again) a download run; see the thread contract above.
  virtual void Start() = 0;
};

// The kinds of downloader a configuration can ask for.
enum class DownloaderKind {
  SingleStream,  // CCurlDownloader
  UrlMoniker,    // CWinDownloader
  MultiPart,     // CMTCurlDownloader
};

// The kind the configured `DownloadType` selects: 2 the URL-moniker
// downloader, 3 the multi-part downloader, anything else single-stream.
DownloaderKind DownloaderKindFor(int download_type);

// Builds the downloader that `DownloadType` selects, with the owner's
// callback, the package address and the full path of the file to create.
// Nothing is started.
std::unique_ptr<CDownloader> CreateDownloader(int download_type, DownloadCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& target_path);
