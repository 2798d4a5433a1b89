#pragma once
// The installer's one settings record: built-in defaults, then the
// configuration file "OrvaneInstallerConfig.ini" beside the executable (read
// during static initialisation), then the command line (ApplyCommandLine,
// called once by start-up).
//
// Thread contract: filled on the main thread before any worker starts, then
// read-only from every thread, except LanguageIndex, which only the window's
// thread changes.

#include <string>

namespace Utils {
class CommandLineMap;
}

class InstallerSettings {
 public:
  // The process-wide record, complete with the configuration file.
  static InstallerSettings& Instance();

  // Built-in defaults only; the record for the process is Instance().
  InstallerSettings();

  // Reads section "Install" of the file when it exists; otherwise nothing
  // changes.
  void LoadConfigFile(const std::wstring& path);
  // Applies the process's command line (GetCommandLineW).
  void ApplyCommandLine();
  void ApplyCommandLine(const std::wstring& command_line);

  // Replaces every "${ROUTE}" by the download route of this system.
  static std::wstring RouteSubstitution(const std::wstring& address);
  // The route for a system version text ("XP", "10", ...).
  static std::wstring RouteFor(const std::wstring& os_version, bool is_64bit);

  static std::wstring DefaultDownloadUrl();
  static std::wstring ConfigFilePath();

  std::wstring ProductName = L"Kestrima";
  std::wstring ProductVersion = L"1.7.9";
  std::wstring ExeFileName;
  std::wstring DlAppNameSuffix = L".downloader";
  std::wstring DlAppVersion;
  std::wstring InstCmd;
  std::wstring DownloadUrl;
  int DownloadType = 1;
  bool IsCheckNet = false;
  bool IsEnableAppAnalytics = true;
  double DownloadScale = 0.7;
  bool HttpReady = true;
  int LanguageIndex = -1;
  bool InsNew = false;

 private:
  void Apply(const Utils::CommandLineMap& map);
};
