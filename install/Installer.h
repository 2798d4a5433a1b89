#pragma once
// The package runner: runs the downloaded setup package hidden with the
// user's choices on its command line and turns its status lines into events
// 2001-2004 and 3000-3009.
//
// Thread contract:
// - The owner (the pipeline) builds it, sets the choices and calls `Start`
//   on its own thread, or on a download worker; `Start` only waits for the
//   worker of an earlier run, which has then already reported its end.
// - Every event is reported on the runner's worker thread "ABDEF", in order;
//   the final event (2003 or 2004) comes after the package has ended.
// - Destruction waits for the worker, and with it for the package, without
//   limit. It must not happen on the worker itself (inside the callback).

#include <windows.h>

#include <memory>
#include <string>

#include "app/utils/Thread.h"
#include "install/PipelineCallback.h"

class CInstaller {
 public:
  CInstaller(PipelineCallback callback, const std::wstring& quoted_package,
             const std::wstring& install_folder);
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  void SetInstallFolder(const std::wstring& folder) { install_folder_ = folder; }
  void SetDesktopShortcut(bool value) { desktop_shortcut_ = value; }
  void SetQuickStartShortcut(bool value) { quick_start_shortcut_ = value; }
  void SetAdminAccount(bool value) { admin_account_ = value; }
  void SetElevated(bool value) { elevated_ = value; }
  void SetLanguage(const std::wstring& language) { language_ = language; }

  // Builds the command line and runs the package on a new worker; returns at
  // once.
  void Start();

  // The package's command line for the current choices and the settings'
  // extra arguments.
  std::wstring BuildCommandLine() const;

  // Interprets one decoded text of the package's output: appends the events
  // of its status lines and applies "Encode=". Returns 0 when no line decided
  // the run, otherwise 1 or 1000 for the last deciding line (success or
  // failure).
  int Parse(const std::wstring& text, PipelineEvents* events);

  // The code page in which the package's output is currently decoded.
  UINT CodePage() const { return code_page_; }

 private:
  void Run();
  void Report(int code, double value, const wchar_t* text) const { callback_(code, value, text); }

  PipelineCallback callback_;
  std::wstring package_;
  std::wstring install_folder_;
  std::wstring command_line_;
  bool quick_start_shortcut_ = false;
  bool desktop_shortcut_ = false;
  UINT code_page_ = CP_ACP;
  std::unique_ptr<Utils::Thread> worker_;
  bool admin_account_ = false;
  bool elevated_ = true;
  std::wstring language_;
};
