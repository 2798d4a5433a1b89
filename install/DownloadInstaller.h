#pragma once
// The download-and-install pipeline: removes an installation already present
// by running its uninstaller, downloads the setup package into the install
// folder, runs it, and deletes the package file afterwards. Every event of
// every worker reaches the window's callback unchanged.
//
// Thread contract:
// - The window builds it, calls `Configure` and `Start`, and destroys it, all
//   on its own thread. `Start` returns once the first step is launched.
// - The callbacks it gives its workers run on their threads: the download
//   workers, the package runner's "ABDEF" and the uninstaller runner's
//   "UnInstaller"; the window's callback is called on those same threads.
//   When the product must end before the uninstaller runs, a waiting thread
//   of the pipeline ("InsNewWait") watches for that.
// - The pipeline owns its downloader and both runners. Destruction is safe
//   at any time: it first stops every reaction (no new step starts), then
//   destroys the downloader (which stops a transfer in progress), then the
//   package runner and the uninstaller runner, each of which waits for its
//   child program to end, without limit.

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "app/utils/Thread.h"
#include "download/Downloader.h"
#include "install/Installer.h"
#include "install/PipelineCallback.h"
#include "install/Uninstaller.h"

class CDownloadInstaller {
 public:
  CDownloadInstaller(PipelineCallback window_callback, const std::wstring& download_url,
                     const std::wstring& uninstaller, const std::wstring& install_folder,
                     bool desktop_shortcut, bool quick_start_shortcut, bool admin_account);
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  void Configure(const std::wstring& download_url, const std::wstring& uninstaller,
                 const std::wstring& install_folder, bool desktop_shortcut,
                 bool quick_start_shortcut, bool admin_account, bool elevated,
                 const std::wstring& language);
  void Start();

  // The file name of the temporary uninstaller copy, in the private
  // temporary folder.
  static const wchar_t* const kUninstallerCopyName;
  // The package file's name inside the install folder.
  static std::wstring PackageFileName();

 private:
  void OnDownload(int code, double value, const wchar_t* text);
  void OnUninstall(int code, double value, const wchar_t* text);
  void OnInstall(int code, double value, const wchar_t* text);
  void CleanUpPackage();
  void StartUninstallerWhenProductEnded();
  void StopWaiting();

  std::unique_ptr<CUninstaller> uninstaller_runner_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<CInstaller> installer_;
  std::wstring download_url_;
  std::wstring uninstaller_;
  std::wstring install_folder_;
  std::wstring package_path_;
  std::wstring language_;
  bool desktop_shortcut_;
  bool quick_start_shortcut_;
  bool admin_account_;
  bool elevated_ = true;
  PipelineCallback window_callback_;

  // The file the downloader writes, fixed when the downloader is made; later
  // starts into another folder still download there.
  std::wstring download_path_;
  // Guards the texts above that workers read (folders and paths), which a
  // later `Start` on the window's thread replaces.
  std::mutex fields_mutex_;
  // Held while a reaction starts the next step, and by the destructor while
  // it sets `closing_`, so that no step starts once destruction has begun.
  std::mutex reaction_mutex_;
  bool closing_ = false;
  // The wait for the running product to end before uninstalling.
  HANDLE stop_waiting_ = nullptr;
  std::unique_ptr<Utils::Thread> waiter_;
};
