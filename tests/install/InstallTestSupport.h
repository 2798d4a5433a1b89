#pragma once
// Helpers of the installation tests: folders, files, the programs built for
// the tests, the loopback download server, and a recorder of the events a
// runner or the pipeline reports.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "install/PipelineCallback.h"

namespace install_test {

// A fresh folder under the system temporary folder, removed with all its
// contents when the object goes. `name` becomes part of the folder's name, so
// that a test can ask for spaces or other characters in it.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name = L"kestrima test");
  ~TempFolder();
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Windows path of a program built for the tests (environment variable
// KESTRIMA_EXE_<NAME>); empty when it is not set.
std::wstring ProgramPath(const wchar_t* variable);
// The file name part of a path.
std::wstring FileNameOf(const std::wstring& path);

// Publishes a file on the download server under `name` and returns an address
// that reaches it through one redirect, with the file's MD5 as the final
// address's next-to-last segment. Empty when the server is not running.
std::wstring PublishOnDownloadServer(const std::wstring& file, const std::wstring& name);
// An address on the download server that answers 404.
std::wstring MissingOnDownloadServer(const std::wstring& name);

// A loopback listener that accepts connections and never answers, for a
// download that hangs; its own, so that no shared server state changes.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  // "http://127.0.0.1:<port>", empty when no socket could be had.
  std::wstring Url() const;

 private:
  uintptr_t socket_;
  int port_ = 0;
};

// Collects events from any thread.
class EventRecorder {
 public:
  PipelineCallback Callback();
  // Waits until an event with one of the codes has arrived; false when none
  // arrived within `timeout_ms`.
  bool WaitFor(std::initializer_list<int> codes, DWORD timeout_ms);
  PipelineEvents Events() const;
  // The codes in order, without the progress and notice codes, whose number
  // depends on timing.
  std::vector<int> MilestoneCodes() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  PipelineEvents events_;
};

}  // namespace install_test
