// The download-and-install pipeline end to end: Kestrima's real setup
// package, served by the loopback download server, installed by the
// pipeline, and Kestrima's real uninstaller removing an earlier installation.

#include <gtest/gtest.h>

#include <memory>

#include "app/settings/InstallerSettings.h"
#include "app/utils/Files.h"
#include "app/utils/Process.h"
#include "download/CurlRuntime.h"
#include "install/DownloadInstaller.h"
#include "tests/install/InstallTestSupport.h"

namespace {

using install_test::EventRecorder;
using install_test::FileExists;
using install_test::TempFolder;

// libcurl is set up once for the process, as the installer's start-up does.
class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(CurlRuntime::GlobalInit()); }
  void TearDown() override { CurlRuntime::GlobalCleanup(); }
};
::testing::Environment* const kCurlEnvironment =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

const DWORD kRunTimeout = 120000;
const std::wstring kPackageFile = L"\\__Package_Kestrima.exe";

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    url_ = install_test::PublishOnDownloadServer(
        install_test::ProgramPath(L"KESTRIMA_EXE_KESTRIMA_SETUP"), L"kestrima_setup.exe");
    ASSERT_FALSE(url_.empty()) << "download server or setup package missing";
    InstallerSettings::Instance().InsNew = false;
  }

  std::unique_ptr<CDownloadInstaller> NewPipeline(EventRecorder* recorder) {
    return std::unique_ptr<CDownloadInstaller>(
        new CDownloadInstaller(recorder->Callback(), L"", L"", L"", true, true, true));
  }

  // Installs into `folder` with a pipeline of its own and waits for the end.
  void InstallInto(const std::wstring& folder) {
    EventRecorder recorder;
    auto pipeline = NewPipeline(&recorder);
    pipeline->Configure(url_, L"", folder, true, true, false, false, L"");
    pipeline->Start();
    ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004, 5004, 5005}, kRunTimeout));
    ASSERT_EQ(recorder.MilestoneCodes().back(), 2003);
  }

  std::wstring url_;
};

TEST_F(PipelineTest, NewInstallationDownloadsInstallsAndRemovesThePackage) {
  TempFolder base(L"new");
  const std::wstring folder = base.Path() + L"\\Program Files\\Kestrima";
  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(url_, L"C:\\nowhere\\uninst.ep", folder, true, false, false, true, L"en");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004}, kRunTimeout));
  // The window hears of an event before the pipeline reacts to it; its
  // destruction waits until every reaction is over.
  pipeline.reset();

  const std::vector<int> expected{1001, 1003, 2001, 3000, 3001, 3003, 3005, 2003};
  EXPECT_EQ(recorder.MilestoneCodes(), expected);
  const PipelineEvents events = recorder.Events();
  EXPECT_EQ(events.front().code, 1001);
  for (const PipelineEvent& event : events) {
    if (event.code == 3000) {
      EXPECT_EQ(event.text, folder);
    }
    if (event.code == 3001) {
      EXPECT_EQ(event.text, folder + L"\\Kestrima.exe");
    }
    if (event.code == 3005) {
      EXPECT_EQ(event.value, 2.0);
    }
  }
  EXPECT_TRUE(FileExists(folder + L"\\Kestrima.exe"));
  EXPECT_TRUE(FileExists(folder + L"\\uninst.ep"));
  EXPECT_FALSE(FileExists(folder + kPackageFile));
  // The language chosen reached the package, which keeps it for the product.
  wchar_t language[32] = {};
  GetPrivateProfileStringW(L"Install", L"Language", L"", language, 32,
                           (folder + L"\\config.ini").c_str());
  EXPECT_STREQ(language, L"en");
}

TEST_F(PipelineTest, UpdateUninstallsTheOldInstallationFirst) {
  TempFolder folder(L"update");
  InstallInto(folder.Path());
  const std::wstring old_product = folder.File(L"Kestrima.exe");
  // Only a removal of the old installation can take this back off.
  WritePrivateProfileStringW(L"Install", L"Marker", L"old", folder.File(L"set.ini").c_str());

  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(url_, folder.File(L"uninst.ep"), folder.Path(), true, true, false, false,
                      L"");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004, 5004, 5005}, kRunTimeout));
  pipeline.reset();

  const PipelineEvents events = recorder.Events();
  EXPECT_EQ(events.front().code, 5002);
  EXPECT_EQ(events.front().value, 0.0);
  const std::vector<int> expected{5003, 1001, 1003, 2001, 3000, 3001, 3003, 3005, 2003};
  EXPECT_EQ(recorder.MilestoneCodes(), expected);
  wchar_t marker[16] = {};
  GetPrivateProfileStringW(L"Install", L"Marker", L"", marker, 16, folder.File(L"set.ini").c_str());
  EXPECT_STREQ(marker, L"");
  EXPECT_TRUE(FileExists(old_product));
  EXPECT_FALSE(FileExists(folder.File(kPackageFile.substr(1))));
  EXPECT_TRUE(FileExists(Utils::GetTempFolder() + L"Kestrima_un_asa.exe"));
}

TEST_F(PipelineTest, UninstallerWhoseCopyFailsStopsThePipeline) {
  TempFolder folder(L"copy fails");
  InstallInto(folder.Path());
  // A copy of an earlier run that cannot be replaced must not be run either.
  const std::wstring copy = Utils::GetTempFolder() + L"Kestrima_un_asa.exe";
  install_test::WriteBytes(copy, "stale");
  HANDLE lock = CreateFileW(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  EventRecorder recorder;
  {
    auto pipeline = NewPipeline(&recorder);
    pipeline->Configure(url_, folder.File(L"uninst.ep"), folder.Path(), true, true, false, false,
                        L"");
    pipeline->Start();
    EXPECT_TRUE(recorder.WaitFor({5004}, kRunTimeout));
  }  // Destruction ends every worker: nothing can follow.
  CloseHandle(lock);
  DeleteFileW(copy.c_str());

  EXPECT_EQ(recorder.Events().size(), 1u);
  EXPECT_EQ(recorder.Events().front().code, 5004);
  EXPECT_EQ(recorder.Events().front().value, 1.0);
  EXPECT_EQ(recorder.Events().front().text, L"可执行卸载文件不存在");
  EXPECT_TRUE(FileExists(folder.File(L"Kestrima.exe")));
}

TEST_F(PipelineTest, FailingPackageReportsItsErrorAndRemovesThePackage) {
  TempFolder folder(L"blocked");
  // A folder in the place of the product's program: the package cannot
  // write it.
  CreateDirectoryW(folder.File(L"Kestrima.exe").c_str(), nullptr);
  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(url_, L"", folder.Path(), true, true, false, false, L"");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004}, kRunTimeout));
  pipeline.reset();

  const PipelineEvents events = recorder.Events();
  const PipelineEvent& last = events.back();
  EXPECT_EQ(last.code, 2004);
  EXPECT_EQ(last.value, 1000.0);
  EXPECT_EQ(last.text, L"无法写入文件：" + folder.File(L"Kestrima.exe"));
  EXPECT_FALSE(FileExists(folder.File(kPackageFile.substr(1))));
}

TEST_F(PipelineTest, FailedDownloadLeavesNoPackage) {
  TempFolder folder(L"no download");
  // What an earlier, interrupted attempt left behind.
  install_test::WriteBytes(folder.File(kPackageFile.substr(1)), "partial package");
  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(install_test::MissingOnDownloadServer(L"missing.exe"), L"", folder.Path(),
                      true, true, false, false, L"");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({1004}, kRunTimeout));
  pipeline.reset();

  // A retry, when the downloader asks for one, starts a second run.
  const std::vector<int> codes = recorder.MilestoneCodes();
  const std::vector<int> without_retry{1001, 1004};
  const std::vector<int> with_retry{1001, 1005, 1001, 1004};
  EXPECT_TRUE(codes == without_retry || codes == with_retry) << ::testing::PrintToString(codes);
  EXPECT_FALSE(FileExists(folder.File(kPackageFile.substr(1))));
}

TEST_F(PipelineTest, SecondStartInstallsIntoTheNewFolder) {
  TempFolder first(L"first");
  TempFolder second(L"second place");
  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(url_, L"", first.Path(), true, true, false, false, L"");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004}, kRunTimeout));
  ASSERT_EQ(recorder.MilestoneCodes().back(), 2003);
  // The window starts again only after it has handled the end of the first
  // run, by when the pipeline has cleaned up after it.
  for (int i = 0; i < 100 && FileExists(first.File(kPackageFile.substr(1))); ++i) Sleep(50);
  // The first installation is gone meanwhile (removed by hand or by its
  // uninstaller), folder and all; the download still goes to its folder.
  install_test::RemoveTree(first.Path());
  ASSERT_FALSE(install_test::FolderExists(first.Path()));

  recorder.Clear();
  pipeline->Configure(url_, L"", second.Path(), false, false, false, false, L"");
  pipeline->Start();
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004}, kRunTimeout));
  pipeline.reset();
  const std::vector<int> expected{1001, 1003, 2001, 3000, 3001, 3003, 3005, 2003};
  EXPECT_EQ(recorder.MilestoneCodes(), expected);
  for (const PipelineEvent& event : recorder.Events()) {
    if (event.code == 3000) {
      EXPECT_EQ(event.text, second.Path());
    }
  }
  EXPECT_TRUE(FileExists(second.File(L"Kestrima.exe")));
  EXPECT_FALSE(FileExists(first.File(kPackageFile.substr(1))));
  EXPECT_FALSE(FileExists(second.File(kPackageFile.substr(1))));
}

TEST_F(PipelineTest, WithInsNewTheUninstallerWaitsForTheProductToEnd) {
  TempFolder folder(L"running");
  InstallInto(folder.Path());
  std::wstring command = L"\"" + folder.File(L"Kestrima.exe") + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION product = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &product));
  while (Utils::FindProcessByName(L"Kestrima.exe") == 0) Sleep(50);

  InstallerSettings::Instance().InsNew = true;
  EventRecorder recorder;
  auto pipeline = NewPipeline(&recorder);
  pipeline->Configure(url_, folder.File(L"uninst.ep"), folder.Path(), true, true, false, false,
                      L"");
  pipeline->Start();
  // While the product runs, nothing may happen.
  EXPECT_FALSE(recorder.WaitFor({5002, 5003, 5004, 5005, 1001}, 2000));

  TerminateProcess(product.hProcess, 0);
  WaitForSingleObject(product.hProcess, INFINITE);
  CloseHandle(product.hProcess);
  CloseHandle(product.hThread);
  ASSERT_TRUE(recorder.WaitFor({2003, 2004, 1004, 5004, 5005}, kRunTimeout));
  InstallerSettings::Instance().InsNew = false;
  const std::vector<int> expected{5003, 1001, 1003, 2001, 3000, 3001, 3003, 3005, 2003};
  EXPECT_EQ(recorder.MilestoneCodes(), expected);
}

TEST_F(PipelineTest, DestroyingDuringTheDownloadStopsEverything) {
  // A server that takes the connection and never answers: the download
  // hangs until the pipeline goes.
  install_test::SilentServer server;
  ASSERT_FALSE(server.Url().empty());
  TempFolder folder(L"abandoned download");
  EventRecorder recorder;
  {
    auto pipeline = NewPipeline(&recorder);
    pipeline->Configure(server.Url() + L"/files/0123456789abcdef0123456789abcdef/k.exe", L"",
                        folder.Path(), true, true, false, false, L"");
    pipeline->Start();
    EXPECT_TRUE(recorder.WaitFor({1001}, kRunTimeout));
    Sleep(500);
  }
  const size_t reported = recorder.Events().size();
  Sleep(500);
  EXPECT_EQ(recorder.Events().size(), reported);
  for (int code : recorder.MilestoneCodes()) {
    EXPECT_TRUE(code == 1001 || code == 1004 || code == 1005) << code;
  }
  EXPECT_FALSE(FileExists(folder.File(L"Kestrima.exe")));
}

TEST_F(PipelineTest, DestroyingWhileWaitingForTheProductIsSafe) {
  TempFolder folder(L"abandoned");
  InstallInto(folder.Path());
  std::wstring command = L"\"" + folder.File(L"Kestrima.exe") + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION product = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &product));
  while (Utils::FindProcessByName(L"Kestrima.exe") == 0) Sleep(50);

  InstallerSettings::Instance().InsNew = true;
  EventRecorder recorder;
  {
    auto pipeline = NewPipeline(&recorder);
    pipeline->Configure(url_, folder.File(L"uninst.ep"), folder.Path(), true, true, false, false,
                        L"");
    pipeline->Start();
  }
  InstallerSettings::Instance().InsNew = false;
  TerminateProcess(product.hProcess, 0);
  WaitForSingleObject(product.hProcess, INFINITE);
  CloseHandle(product.hProcess);
  CloseHandle(product.hThread);
  EXPECT_TRUE(recorder.Events().empty());
  EXPECT_TRUE(FileExists(folder.File(L"uninst.ep")));
}

}  // namespace
