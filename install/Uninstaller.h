#pragma once
// The uninstaller runner: runs an installation's uninstaller (a temporary
// copy of it) hidden on that installation's folder and turns its status
// lines into events 5002-5005.
//
// Thread contract:
// - The owner (the pipeline) builds it and calls `Start` once, from its own
//   thread or a waiting thread of its own.
// - Every event is reported on the runner's worker thread "UnInstaller", in
//   order; the final event (5003, 5004 or 5005) comes after the uninstaller
//   has ended.
// - Destruction waits for the worker, and with it for the uninstaller,
//   without limit. It must not happen on the worker itself.

#include <windows.h>

#include <memory>
#include <string>

#include "app/utils/Thread.h"
#include "install/PipelineCallback.h"

class CUninstaller {
 public:
  CUninstaller(PipelineCallback callback, const std::wstring& uninstaller_path,
               const std::wstring& installation_folder);
  ~CUninstaller();
  CUninstaller(const CUninstaller&) = delete;
  CUninstaller& operator=(const CUninstaller&) = delete;

  // Builds the command line and runs the uninstaller on a new worker;
  // returns at once.
  void Start();

  // The uninstaller's command line; the account flags are asked from the
  // system at each call.
  std::wstring BuildCommandLine() const;

  // Interprets one decoded text of the uninstaller's output, like the
  // package runner's twin, with the uninstaller's keys.
  int Parse(const std::wstring& text, PipelineEvents* events);

 private:
  void Run();
  void Report(int code, double value, const wchar_t* text) const { callback_(code, value, text); }

  PipelineCallback callback_;
  std::wstring command_line_;
  std::wstring uninstaller_path_;
  std::wstring installation_folder_;
  UINT code_page_ = CP_ACP;
  std::unique_ptr<Utils::Thread> worker_;
};
