#include "app/settings/InstallerSettings.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "app/utils/CommandLineMap.h"
#include "app/utils/SystemInfo.h"
#include "app/utils/Text.h"

#ifndef KESTRIMA_DOWNLOAD_HOST
#define KESTRIMA_DOWNLOAD_HOST L"dl.kestrima.example"
#endif

namespace {

const wchar_t kSection[] = L"Install";
const double kDefaultDownloadScale = 0.7;
const int kProductNumber = 604;
// Products that ship a separate package for 64-bit systems.
const int kProductsWith64BitPackage[] = {267, 385, 257, 335, 318};

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring ReadString(const std::wstring& file, const wchar_t* key, const wchar_t* fallback) {
  wchar_t value[260] = {};
  GetPrivateProfileStringW(kSection, key, fallback, value, 260, file.c_str());
  return value;
}

// The file's "true" is exact and case-sensitive, like the switches'.
bool ReadBool(const std::wstring& file, const wchar_t* key) {
  return ReadString(file, key, L"true") == L"true";
}

// The process-wide record is complete before the entry point runs.
InstallerSettings& g_process_settings = InstallerSettings::Instance();

}  // namespace

InstallerSettings& InstallerSettings::Instance() {
  static InstallerSettings settings = [] {
    InstallerSettings s;
    s.LoadConfigFile(ConfigFilePath());
    return s;
  }();
  return settings;
}

InstallerSettings::InstallerSettings() : DownloadUrl(DefaultDownloadUrl()) {
  wchar_t name[MAX_PATH] = {};
  lstrcpynW(name, ModulePath().c_str(), MAX_PATH);
  PathStripPathW(name);
  ExeFileName = name;
}

std::wstring InstallerSettings::DefaultDownloadUrl() {
  return std::wstring(L"http://") + KESTRIMA_DOWNLOAD_HOST + L"/software/412";
}

std::wstring InstallerSettings::ConfigFilePath() {
  wchar_t folder[MAX_PATH] = {};
  lstrcpynW(folder, ModulePath().c_str(), MAX_PATH);
  PathRemoveFileSpecW(folder);
  return std::wstring(folder) + L"\\OrvaneInstallerConfig.ini";
}

void InstallerSettings::LoadConfigFile(const std::wstring& path) {
  if (!PathFileExistsW(path.c_str())) return;
  DownloadUrl = RouteSubstitution(ReadString(path, L"DownloadUrl", DefaultDownloadUrl().c_str()));
  DownloadType =
      static_cast<int>(GetPrivateProfileIntW(kSection, L"DownloadType", 1, path.c_str()));
  IsCheckNet = ReadBool(path, L"IsCheckNet");
  IsEnableAppAnalytics = ReadBool(path, L"IsEnableAppAnalytics");
  DlAppNameSuffix = ReadString(path, L"DlAppNameSuffix", L".downloader");
  DlAppVersion = ReadString(path, L"m_DlAppVersion", L"");
  // A value that is not a number (or cannot be represented) counts as 0.0.
  double scale = 0.0;
  DownloadScale =
      Utils::ParseLeadingDouble(ReadString(path, L"DownloadScale", L"0.7"), &scale) ? scale : 0.0;
  InstCmd = ReadString(path, L"InstCmd", L"");
}

void InstallerSettings::ApplyCommandLine() { ApplyCommandLine(GetCommandLineW()); }

void InstallerSettings::ApplyCommandLine(const std::wstring& command_line) {
  Apply(Utils::CommandLineMap::Parse(command_line));
}

void InstallerSettings::Apply(const Utils::CommandLineMap& map) {
  if (map.Has(L"-downloadurl")) DownloadUrl = RouteSubstitution(map.GetString(L"-downloadurl"));
  if (map.Has(L"-downloadtype")) DownloadType = map.GetInt(L"-downloadtype");
  // Without a number the progress bar keeps the built-in share, so that the
  // shown progress stays a finite fraction.
  if (map.Has(L"-downloadscale")) {
    DownloadScale = map.GetDouble(L"-downloadscale", kDefaultDownloadScale);
  }
  if (map.Has(L"-ischecknet")) IsCheckNet = map.GetBool(L"-ischecknet");
  if (map.Has(L"-isenableappanalytics")) {
    IsEnableAppAnalytics = map.GetBool(L"-isenableappanalytics");
  }
  if (map.Has(L"-dlappnamesuffix")) DlAppNameSuffix = map.GetString(L"-dlappnamesuffix");
  if (map.Has(L"-dlappversion")) DlAppVersion = map.GetString(L"-dlappversion");
  if (map.Has(L"-instcmd")) InstCmd = map.GetString(L"-instcmd");
  if (map.Has(L"-language")) LanguageIndex = map.GetInt(L"-language");
  if (map.Has(L"-insnew")) InsNew = map.GetBool(L"-insnew");
}

std::wstring InstallerSettings::RouteFor(const std::wstring& os_version, bool is_64bit) {
  if (os_version.find(L"XP") != std::wstring::npos) return L"download_silent_xp";
  const bool has_64bit_package =
      std::find(std::begin(kProductsWith64BitPackage), std::end(kProductsWith64BitPackage),
                kProductNumber) != std::end(kProductsWith64BitPackage);
  return has_64bit_package && is_64bit ? L"download_silent_64" : L"download_silent";
}

std::wstring InstallerSettings::RouteSubstitution(const std::wstring& address) {
  if (address.find(L"${ROUTE}") == std::wstring::npos) return address;
  const std::wstring route = RouteFor(Utils::GetOsName().version, Utils::Is64BitSystem());
  return Utils::ReplaceAll(address, L"${ROUTE}", route);
}
