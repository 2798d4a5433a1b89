#include "install/DownloadInstaller.h"

#include <shlwapi.h>

#include <vector>

#include "app/log/DebugLog.h"
#include "app/settings/InstallerSettings.h"
#include "app/utils/Files.h"
#include "app/utils/Process.h"

namespace {

// The last package file that was cleaned up, by any pipeline of the process:
// a package left in the folder of an earlier attempt goes at the next
// clean-up.
std::mutex g_last_package_mutex;
std::wstring g_last_package;

std::wstring ParentFolder(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.begin(), path.end());
  buffer.push_back(L'\0');
  PathRemoveFileSpecW(buffer.data());
  return std::wstring(buffer.data());
}

// The package has just ended when its final event arrives, and the system
// may keep its program file mapped for a moment after that: deleting it is
// refused or only takes effect later. A short wait until the file is really
// gone keeps the package from staying behind.
void DeletePackageFile(const std::wstring& path) {
  for (int attempt = 0; attempt < 30; ++attempt) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    DeleteFileW(path.c_str());
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    Sleep(100);
  }
}

}  // namespace

const wchar_t* const CDownloadInstaller::kUninstallerCopyName = L"Kestrima_un_asa.exe";

std::wstring CDownloadInstaller::PackageFileName() {
  return std::wstring(L"__Package_") + L"Kestrima" + L".exe";
}

CDownloadInstaller::CDownloadInstaller(PipelineCallback window_callback,
                                       const std::wstring& download_url,
                                       const std::wstring& uninstaller,
                                       const std::wstring& install_folder, bool desktop_shortcut,
                                       bool quick_start_shortcut, bool admin_account)
    : download_url_(download_url),
      uninstaller_(uninstaller),
      install_folder_(install_folder),
      desktop_shortcut_(desktop_shortcut),
      quick_start_shortcut_(quick_start_shortcut),
      admin_account_(admin_account),
      window_callback_(std::move(window_callback)) {
  stop_waiting_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CDownloadInstaller::~CDownloadInstaller() {
  {
    std::lock_guard<std::mutex> lock(reaction_mutex_);
    closing_ = true;
  }
  StopWaiting();
  downloader_.reset();
  installer_.reset();
  uninstaller_runner_.reset();
  if (stop_waiting_) CloseHandle(stop_waiting_);
}

void CDownloadInstaller::Configure(const std::wstring& download_url,
                                   const std::wstring& uninstaller,
                                   const std::wstring& install_folder, bool desktop_shortcut,
                                   bool quick_start_shortcut, bool admin_account, bool elevated,
                                   const std::wstring& language) {
  std::lock_guard<std::mutex> lock(fields_mutex_);
  download_url_ = download_url;
  uninstaller_ = uninstaller;
  install_folder_ = install_folder;
  desktop_shortcut_ = desktop_shortcut;
  quick_start_shortcut_ = quick_start_shortcut;
  admin_account_ = admin_account;
  elevated_ = elevated;
  language_ = language;
}

void CDownloadInstaller::Start() {
  const InstallerSettings& settings = InstallerSettings::Instance();
  {
    std::lock_guard<std::mutex> lock(fields_mutex_);
    package_path_ = install_folder_ + L"\\" + PackageFileName();
  }
  DEBUG_LOG(L"DL_TYPE=%d\r\n", settings.DownloadType);

  if (!downloader_) {
    {
      std::lock_guard<std::mutex> lock(fields_mutex_);
      download_path_ = package_path_;
    }
    downloader_ = CreateDownloader(
        settings.DownloadType,
        [this](int code, double value, const wchar_t* text) { OnDownload(code, value, text); },
        download_url_, download_path_);
  }
  if (!installer_) {
    installer_.reset(new CInstaller(
        [this](int code, double value, const wchar_t* text) { OnInstall(code, value, text); },
        L"\"" + download_path_ + L"\"", install_folder_));
  }
  installer_->SetInstallFolder(install_folder_);
  installer_->SetDesktopShortcut(desktop_shortcut_);
  installer_->SetQuickStartShortcut(quick_start_shortcut_);
  installer_->SetAdminAccount(admin_account_);
  installer_->SetElevated(elevated_);
  installer_->SetLanguage(language_);

  if (uninstaller_.empty() || !PathFileExistsW(uninstaller_.c_str())) {
    downloader_->Start();
    return;
  }

  // The uninstaller removes its own folder, so it runs from a copy. When the
  // copy fails the runner is given no path at all and reports the missing
  // uninstaller, rather than running a stale copy of an earlier run.
  const std::wstring temp = Utils::GetTempFolder();
  std::wstring copy;
  if (!temp.empty()) {
    copy = temp + (temp.back() == L'\\' ? L"" : L"\\") + kUninstallerCopyName;
    if (!CopyFileW(uninstaller_.c_str(), copy.c_str(), FALSE)) copy.clear();
  }
  StopWaiting();
  uninstaller_runner_.reset();
  uninstaller_runner_.reset(new CUninstaller(
      [this](int code, double value, const wchar_t* text) { OnUninstall(code, value, text); }, copy,
      ParentFolder(uninstaller_)));

  if (!settings.InsNew) {
    uninstaller_runner_->Start();
    return;
  }
  // The product must end before its uninstaller runs. The wait happens on a
  // thread of its own so that the window stays responsive meanwhile.
  ResetEvent(stop_waiting_);
  waiter_.reset(new Utils::Thread());
  if (waiter_->Start(
          L"InsNewWait", [this](void*) { StartUninstallerWhenProductEnded(); }, nullptr)) {
    waiter_->Resume();
  } else {
    waiter_.reset();
    StartUninstallerWhenProductEnded();
  }
}

void CDownloadInstaller::StartUninstallerWhenProductEnded() {
  while (Utils::FindProcessByName(L"Kestrima.exe") != 0) {
    if (WaitForSingleObject(stop_waiting_, 100) == WAIT_OBJECT_0) return;
  }
  std::lock_guard<std::mutex> lock(reaction_mutex_);
  if (!closing_) uninstaller_runner_->Start();
}

void CDownloadInstaller::StopWaiting() {
  if (!waiter_) return;
  SetEvent(stop_waiting_);
  waiter_->Join();
  waiter_.reset();
}

void CDownloadInstaller::OnDownload(int code, double value, const wchar_t* text) {
  window_callback_(code, value, text);
  switch (code) {
    case DL_CODE_START: {
      DEBUG_LOG(L"DL_CODE_START\r\n");
      std::wstring install_folder, download_folder;
      {
        std::lock_guard<std::mutex> lock(fields_mutex_);
        install_folder = install_folder_;
        download_folder = ParentFolder(download_path_);
      }
      Utils::CreateDirectoryTree(install_folder);
      // The download may still target the folder of an earlier start, which
      // its uninstaller may have removed since.
      if (download_folder != install_folder) Utils::CreateDirectoryTree(download_folder);
      break;
    }
    case DL_CODE_PROGRESS:
      DEBUG_LOG(L"DL_CODE_PROGRESS\r\n");
      break;
    case DL_CODE_SUCCESS: {
      DEBUG_LOG(L"DOWNLOAD_SUCCESS\r\n");
      {
        std::lock_guard<std::mutex> lock(reaction_mutex_);
        if (!closing_) installer_->Start();
      }
      DEBUG_LOG(L"DL_CODE_SUCCESS\r\n");
      break;
    }
    case DL_CODE_FAIL:
      CleanUpPackage();
      DEBUG_LOG(L"DL_CODE_FAIL\r\n");
      break;
    case DL_CODE_RETRY: {
      DEBUG_LOG(L"DL_CODE_RETRY\r\n");
      std::lock_guard<std::mutex> lock(reaction_mutex_);
      if (!closing_) downloader_->Start();
      break;
    }
    default:
      break;
  }
}

void CDownloadInstaller::OnUninstall(int code, double value, const wchar_t* text) {
  window_callback_(code, value, text);
  switch (code) {
    case UNIST_CODE_START:
      DEBUG_LOG(L"UNIST_CODE_START\r\n");
      break;
    case UNIST_CODE_PROGRESS:
      DEBUG_LOG(L"UNIST_CODE_PROGRESS\r\n");
      break;
    case UNIST_CODE_SUCCESS: {
      DEBUG_LOG(L"UNIST_CODE_SUCCESS\r\n");
      std::lock_guard<std::mutex> lock(reaction_mutex_);
      if (!closing_) downloader_->Start();
      break;
    }
    case UNIST_CODE_FAIL:
      DEBUG_LOG(L"UNIST_CODE_FAIL\r\n");
      break;
    case UNIST_CODE_ERROR:
      DEBUG_LOG(L"UNIST_CODE_ERROR\r\n");
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnInstall(int code, double value, const wchar_t* text) {
  window_callback_(code, value, text);
  switch (code) {
    case IST_CODE_START:
      DEBUG_LOG(L"IST_CODE_START\r\n");
      break;
    case IST_CODE_SUCCESS:
      CleanUpPackage();
      DEBUG_LOG(L"INSTALL_SUCCESS\r\n");
      break;
    case IST_CODE_FAIL:
      CleanUpPackage();
      DEBUG_LOG(L"IST_CODE_FAIL\r\n");
      break;
    default:
      break;
  }
}

void CDownloadInstaller::CleanUpPackage() {
  std::wstring package, download;
  {
    std::lock_guard<std::mutex> lock(fields_mutex_);
    package = package_path_;
    download = download_path_;
  }
  DeletePackageFile(package);
  // The file the downloader actually wrote, when a later start moved the
  // install folder away from it.
  if (!download.empty() && download != package) DeletePackageFile(download);
  std::lock_guard<std::mutex> lock(g_last_package_mutex);
  if (!g_last_package.empty()) DeletePackageFile(g_last_package);
  g_last_package = package;
}
