#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "app/settings/InstallerSettings.h"
#include "tests/app/test_support.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFileBytes;

const std::wstring kDefaultUrl = InstallerSettings::DefaultDownloadUrl();

TEST(InstallerSettings, BuiltInDefaults) {
  InstallerSettings s;
  EXPECT_EQ(s.ProductName, L"Kestrima");
  EXPECT_EQ(s.ProductVersion, L"1.7.9");
  EXPECT_EQ(s.DownloadUrl, kDefaultUrl);
  EXPECT_EQ(kDefaultUrl.rfind(L"http://", 0), 0u);
  EXPECT_NE(kDefaultUrl.find(L".example/software/412"), std::wstring::npos);
  EXPECT_EQ(s.DownloadType, 1);
  EXPECT_FALSE(s.IsCheckNet);
  EXPECT_TRUE(s.IsEnableAppAnalytics);
  EXPECT_DOUBLE_EQ(s.DownloadScale, 0.7);
  EXPECT_EQ(s.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(s.LanguageIndex, -1);
  EXPECT_FALSE(s.InsNew);
  EXPECT_TRUE(s.HttpReady);
  EXPECT_EQ(s.ExeFileName, L"app_settings_test.exe");
}

TEST(InstallerSettings, ConfigurationFileFallbacks) {
  struct Case {
    const char* file;  // nullptr: no file at all
    int download_type;
    bool check_net;
    bool analytics;
    double scale;
    const wchar_t* url;
    const wchar_t* suffix;
  } cases[] = {
      {nullptr, 1, false, true, 0.7, nullptr, L".downloader"},
      {"[Install]\r\n", 1, true, true, 0.7, nullptr, L".downloader"},
      {"[Other]\r\nDownloadType=3\r\n", 1, true, true, 0.7, nullptr, L".downloader"},
      {"[Install]\r\nDownloadType=3\r\nIsCheckNet=false\r\nDownloadScale=0.5x\r\n", 3, false, true,
       0.5, nullptr, L".downloader"},
      {"[Install]\r\nIsCheckNet=TRUE\r\nIsEnableAppAnalytics=no\r\nDownloadScale=abc\r\n", 1, false,
       false, 0.0, nullptr, L".downloader"},
      {"[Install]\r\nDownloadScale=1e999\r\nDlAppNameSuffix=.x\r\n", 1, true, true, 0.0, nullptr,
       L".x"},
      {"[Install]\r\nDownloadUrl=http://h/${ROUTE}/p?r=${ROUTE}\r\n", 1, true, true, 0.7,
       L"http://h/download_silent/p?r=download_silent", L".downloader"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::wstring ini = dir.File(L"OrvaneInstallerConfig.ini");
    if (c.file) WriteFileBytes(ini, c.file);
    InstallerSettings s;
    s.LoadConfigFile(ini);
    const char* label = c.file ? c.file : "(no file)";
    EXPECT_EQ(s.DownloadType, c.download_type) << label;
    EXPECT_EQ(s.IsCheckNet, c.check_net) << label;
    EXPECT_EQ(s.IsEnableAppAnalytics, c.analytics) << label;
    EXPECT_DOUBLE_EQ(s.DownloadScale, c.scale) << label;
    EXPECT_EQ(s.DownloadUrl, c.url ? c.url : kDefaultUrl) << label;
    EXPECT_EQ(s.DlAppNameSuffix, c.suffix) << label;
  }
}

TEST(InstallerSettings, LongValuesAreCutAt259Characters) {
  TempDir dir;
  const std::wstring ini = dir.File(L"OrvaneInstallerConfig.ini");
  WriteFileBytes(ini, "[Install]\r\nInstCmd=" + std::string(300, 'q') + "\r\n");
  InstallerSettings s;
  s.LoadConfigFile(ini);
  EXPECT_EQ(s.InstCmd, std::wstring(259, L'q'));
}

TEST(InstallerSettings, SwitchesOverrideAndConvert) {
  InstallerSettings s;
  s.DownloadType = 2;  // as if the file had said 2
  s.IsCheckNet = true;
  s.ApplyCommandLine(
      L"in.exe -downloadtype=3 -downloadtype=1 -ischecknet=TRUE -isenableappanalytics=false "
      L"-dlappnamesuffix=.x -dlappversion=2.0 \"-instcmd=/S /D=C:\\a b\" -language=2 -insnew "
      L"-downloadurl=http://h/${ROUTE}/f");
  EXPECT_EQ(s.DownloadType, 3);
  EXPECT_FALSE(s.IsCheckNet);
  EXPECT_FALSE(s.IsEnableAppAnalytics);
  EXPECT_EQ(s.DlAppNameSuffix, L".x");
  EXPECT_EQ(s.DlAppVersion, L"2.0");
  EXPECT_EQ(s.InstCmd, L"/S /D=C:\\a b");
  EXPECT_EQ(s.LanguageIndex, 2);
  EXPECT_FALSE(s.InsNew);  // a flag without "=" is not "true"
  EXPECT_EQ(s.DownloadUrl, L"http://h/download_silent/f");
}

TEST(InstallerSettings, DownloadScaleSwitchStaysFinite) {
  struct Case {
    const wchar_t* value;
    double scale;
  } cases[] = {{L"0.25", 0.25}, {L"abc", 0.7},   {L"nan", 0.7},
               {L"inf", 0.7},   {L"1e999", 0.7}, {L"", 0.7}};
  for (const Case& c : cases) {
    InstallerSettings s;
    s.DownloadScale = 0.1;
    s.ApplyCommandLine(std::wstring(L"in.exe -downloadscale=") + c.value);
    EXPECT_DOUBLE_EQ(s.DownloadScale, c.scale) << c.value;
  }
  InstallerSettings untouched;
  untouched.DownloadScale = 0.1;
  untouched.ApplyCommandLine(L"in.exe -other=1");
  EXPECT_DOUBLE_EQ(untouched.DownloadScale, 0.1);
}

TEST(RouteSubstitution, RoutesBySystemVersion) {
  struct Case {
    const wchar_t* version;
    bool is_64bit;
    const wchar_t* route;
  } cases[] = {
      {L"XP", false, L"download_silent_xp"},      {L"XP-", true, L"download_silent_xp"},
      {L"XP+", false, L"download_silent_xp"},     {L"2K", false, L"download_silent"},
      {L"Server 2003", true, L"download_silent"}, {L"10", true, L"download_silent"},
      {L"7", false, L"download_silent"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InstallerSettings::RouteFor(c.version, c.is_64bit), c.route) << c.version;
  }
  EXPECT_EQ(InstallerSettings::RouteSubstitution(L"http://h/a"), L"http://h/a");
  EXPECT_EQ(InstallerSettings::RouteSubstitution(kDefaultUrl), kDefaultUrl);
}

// The record of a real process: file beside the executable, read before the
// entry point, then the command line on top.
std::map<std::wstring, std::wstring> RunSettingsProbe(const TempDir& dir, const char* ini,
                                                      const std::wstring& args) {
  const std::wstring exe = dir.File(L"inst.exe");
  EXPECT_TRUE(CopyFileW(testing_support::ProgramPath(L"KESTRIMA_EXE_UTILS_CHILD").c_str(),
                        exe.c_str(), FALSE));
  if (ini) WriteFileBytes(dir.File(L"OrvaneInstallerConfig.ini"), ini);
  const auto result = testing_support::RunAndCollect(L"\"" + exe + L"\" settings " + args);
  std::map<std::wstring, std::wstring> values;
  std::istringstream lines(result.output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    values[std::wstring(line.begin(), line.begin() + eq)] =
        std::wstring(line.begin() + eq + 1, line.end());
  }
  return values;
}

TEST(InstallerSettings, ProcessReadsFileBesideExecutableThenCommandLine) {
  {
    TempDir dir;
    auto v = RunSettingsProbe(dir, nullptr, L"");
    EXPECT_EQ(v[L"DownloadType"], L"1");
    EXPECT_EQ(v[L"IsCheckNet"], L"0");
    EXPECT_EQ(v[L"ExeFileName"], L"inst.exe");
  }
  {
    TempDir dir;
    auto v = RunSettingsProbe(dir, "[Install]\r\nDownloadType=2\r\nDownloadScale=0.6\r\n",
                              L"-downloadtype=3 -isenableappanalytics=false -language=1");
    EXPECT_EQ(v[L"DownloadType"], L"3");
    EXPECT_EQ(v[L"IsCheckNet"], L"1");  // file present, key missing
    EXPECT_EQ(v[L"IsEnableAppAnalytics"], L"0");
    EXPECT_EQ(v[L"DownloadScale"], L"0.59999999999999998");
    EXPECT_EQ(v[L"LanguageIndex"], L"1");
  }
}

}  // namespace
