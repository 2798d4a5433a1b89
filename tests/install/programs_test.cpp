// Kestrima's own programs as the installer meets them: the setup package and
// the uninstaller run through the runners, the product started from where
// the package put it, and the pipeline_run tool end to end.

#include <gtest/gtest.h>

#include <string>

#include "app/utils/ChildProcess.h"
#include "app/utils/Exception.h"
#include "app/utils/Process.h"
#include "app/utils/Text.h"
#include "app/settings/InstallerSettings.h"
#include "install/Installer.h"
#include "install/Uninstaller.h"
#include "tests/install/InstallTestSupport.h"

namespace {

using install_test::EventRecorder;
using install_test::FileExists;
using install_test::TempFolder;

std::wstring SetupPackage() { return install_test::ProgramPath(L"KESTRIMA_EXE_KESTRIMA_SETUP"); }

PipelineEvents Install(const std::wstring& folder, bool with_folder = true) {
  EventRecorder recorder;
  {
    CInstaller runner(recorder.Callback(), L"\"" + SetupPackage() + L"\"",
                      with_folder ? folder : L"");
    runner.Start();
  }
  return recorder.Events();
}

std::wstring TextOf(const PipelineEvents& events, int code) {
  for (const PipelineEvent& event : events) {
    if (event.code == code) return event.text;
  }
  return L"<none>";
}

// Waits until a top-level window with the title exists; false after about
// 20 seconds without one.
HWND WaitForWindow(const wchar_t* title) {
  for (int i = 0; i < 200; ++i) {
    HWND window = FindWindowW(nullptr, title);
    if (window) return window;
    Sleep(100);
  }
  return nullptr;
}

TEST(SetupPackageTest, InstallsIntoAFolderWithSpacesAndReportsIt) {
  TempFolder base(L"setup");
  const std::wstring folder = base.Path() + L"\\My Programs\\Kestrima  Two";
  const PipelineEvents events = Install(folder);

  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, 2003);
  EXPECT_EQ(events.back().value, 0.0);
  EXPECT_EQ(TextOf(events, 3000), folder);
  EXPECT_EQ(TextOf(events, 3001), folder + L"\\Kestrima.exe");
  EXPECT_EQ(TextOf(events, 3003), folder + L"\\uninst.ep");
  double last_progress = -1.0;
  for (const PipelineEvent& event : events) {
    if (event.code != 2002) continue;
    EXPECT_GE(event.value, last_progress);
    last_progress = event.value;
  }
  EXPECT_EQ(last_progress, 1.0);
  EXPECT_TRUE(FileExists(folder + L"\\Kestrima.exe"));
  EXPECT_TRUE(FileExists(folder + L"\\uninst.ep"));
}

TEST(SetupPackageTest, CannotWriteTheFolder) {
  TempFolder base(L"setup blocked");
  // A file where the install folder should go.
  const std::wstring folder = base.File(L"Kestrima");
  install_test::WriteBytes(folder, "not a folder");
  const PipelineEvents events = Install(folder);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, 2004);
  EXPECT_EQ(events.back().value, 1000.0);
  EXPECT_EQ(events.back().text, L"无法创建安装目录：" + folder);
}

TEST(SetupPackageTest, LeavesOverrideAndLanguageWhenAsked) {
  TempFolder folder(L"setup options");
  InstallerSettings& settings = InstallerSettings::Instance();
  const std::wstring saved_extra = settings.InstCmd;
  settings.InstCmd = L"-isoverride=false -startupstyle=AutoStartup";
  EventRecorder recorder;
  {
    CInstaller runner(recorder.Callback(), L"\"" + SetupPackage() + L"\"", folder.Path());
    runner.SetLanguage(L"zh_TW");
    runner.Start();
  }
  settings.InstCmd = saved_extra;
  const PipelineEvents events = recorder.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, 2003);
  for (const PipelineEvent& event : events) {
    if (event.code == 3005) {
      EXPECT_EQ(event.value, 1.0);
    }
  }
  wchar_t value[32] = {};
  GetPrivateProfileStringW(L"Uninstall", L"IsOverride", L"", value, 32,
                           folder.File(L"set.ini").c_str());
  EXPECT_STREQ(value, L"false");
  GetPrivateProfileStringW(L"Install", L"Language", L"", value, 32,
                           folder.File(L"config.ini").c_str());
  EXPECT_STREQ(value, L"zh_TW");
}

TEST(UninstallerProgramTest, RemovesTheInstallationAndKeepsUserFiles) {
  TempFolder base(L"uninstall");
  const std::wstring installed = base.Path() + L"\\Kestrima";
  const std::wstring kept = base.Path() + L"\\Kestrima with data";
  ASSERT_EQ(Install(installed).back().code, 2003);
  ASSERT_EQ(Install(kept).back().code, 2003);
  install_test::WriteBytes(kept + L"\\notes.txt", "mine");

  for (const std::wstring& folder : {installed, kept}) {
    const std::wstring copy = base.Path() + L"\\uninstaller copy.exe";
    ASSERT_TRUE(CopyFileW((folder + L"\\uninst.ep").c_str(), copy.c_str(), FALSE));
    EventRecorder recorder;
    {
      CUninstaller runner(recorder.Callback(), copy, folder);
      runner.Start();
    }
    const PipelineEvents events = recorder.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().code, 5002);
    EXPECT_EQ(events.back().code, 5003);
    EXPECT_EQ(events.back().value, 0.0);
    EXPECT_FALSE(FileExists(folder + L"\\Kestrima.exe"));
    EXPECT_FALSE(FileExists(folder + L"\\uninst.ep"));
  }
  EXPECT_FALSE(install_test::FolderExists(installed));
  EXPECT_TRUE(FileExists(kept + L"\\notes.txt"));
}

TEST(UninstallerProgramTest, FailsOnAFolderThatIsNotThere) {
  TempFolder base(L"uninstall missing");
  ASSERT_EQ(Install(base.Path()).back().code, 2003);
  const std::wstring copy = base.File(L"copy.exe");
  ASSERT_TRUE(CopyFileW(base.File(L"uninst.ep").c_str(), copy.c_str(), FALSE));
  const std::wstring gone = base.Path() + L"\\gone";
  EventRecorder recorder;
  {
    CUninstaller runner(recorder.Callback(), copy, gone);
    runner.Start();
  }
  const PipelineEvents events = recorder.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, 5005);
  EXPECT_EQ(events.back().text, L"安装目录不存在：" + gone);
}

TEST(PipelineRunTest, InstallsFromTheServerAndTheProductStarts) {
  const std::wstring url = install_test::PublishOnDownloadServer(SetupPackage(), L"setup_run.exe");
  ASSERT_FALSE(url.empty());
  TempFolder folder(L"pipeline run");
  const std::wstring tool = install_test::ProgramPath(L"KESTRIMA_EXE_PIPELINE_RUN");
  Utils::ChildProcess child;
  ASSERT_NO_THROW(child.Start(L"\"" + tool + L"\" " + url + L" \"" + folder.Path() +
                              L"\" -dsc=false -language=en"));
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(child.OutputRead(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  WaitForSingleObject(child.Process(), INFINITE);
  DWORD exit_code = 99;
  GetExitCodeProcess(child.Process(), &exit_code);
  child.Close();

  EXPECT_EQ(exit_code, 0u) << output;
  EXPECT_EQ(output.rfind("event 1001 1 \n", 0), 0u) << output;
  EXPECT_NE(output.find("event 3000 0 " + Utils::ToUtf8(folder.Path()) + "\n"), std::string::npos)
      << output;
  const std::string last = "event 2003 0 \n";
  ASSERT_GE(output.size(), last.size());
  EXPECT_EQ(output.substr(output.size() - last.size()), last);

  std::wstring command = L"\"" + folder.File(L"Kestrima.exe") + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION product = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &product));
  HWND window = WaitForWindow(L"Kestrima");
  EXPECT_NE(window, nullptr);
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(product.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(product.hProcess, 1);
  }
  CloseHandle(product.hProcess);
  CloseHandle(product.hThread);
}

}  // namespace
