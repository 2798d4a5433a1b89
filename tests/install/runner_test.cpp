// The package and uninstaller runners against a real child program whose
// output comes from a script: the status-line protocol's cases as a child
// really produces them, chunked, paused, encoded, crashed.

#include <gtest/gtest.h>

#include <ostream>

#include "app/settings/InstallerSettings.h"
#include "app/utils/Process.h"
#include "app/utils/SystemInfo.h"
#include "app/utils/Text.h"
#include "install/Installer.h"
#include "install/Uninstaller.h"
#include "tests/install/InstallTestSupport.h"

bool operator==(const PipelineEvent& a, const PipelineEvent& b) {
  return a.code == b.code && a.value == b.value && a.text == b.text;
}

void PrintTo(const PipelineEvent& event, std::ostream* out) {
  *out << "{" << event.code << ", " << event.value << ", \"" << Utils::ToUtf8(event.text) << "\"}";
}

namespace {

using install_test::EventRecorder;
using install_test::TempFolder;

std::wstring ScriptedPackage() {
  return install_test::ProgramPath(L"KESTRIMA_EXE_KESTRIMA_SCRIPTED_PACKAGE");
}

void WriteScript(const TempFolder& folder, const std::string& script) {
  install_test::WriteBytes(folder.File(L"package.script"), script);
}

PipelineEvents RunPackage(const std::string& script, const std::wstring& name = L"pkg") {
  TempFolder folder(name);
  WriteScript(folder, script);
  EventRecorder recorder;
  {
    CInstaller runner(recorder.Callback(), L"\"" + ScriptedPackage() + L"\"", folder.Path());
    runner.Start();
  }  // Destruction waits for the run to end.
  return recorder.Events();
}

PipelineEvents RunUninstaller(const std::string& script) {
  TempFolder folder(L"old install");
  WriteScript(folder, script);
  EventRecorder recorder;
  {
    CUninstaller runner(recorder.Callback(), ScriptedPackage(), folder.Path());
    runner.Start();
  }
  return recorder.Events();
}

// The bytes of a text in a code page, and how the runner decodes them.
std::string Bytes(const std::wstring& text, UINT code_page) {
  return Utils::ToUtf8(text, code_page);
}

const PipelineEvent kStart{2001, 0.0, L""};
const PipelineEvent kZero{2002, 0.0, L""};
const PipelineEvent kEndedSilently{2003, 1.0, L""};
const PipelineEvent kPackageFailed{2004, 0.0, L"安装包安装失败"};

struct PackageCase {
  const char* name;
  std::string script;
  PipelineEvents expected;  // after 2001 and 2002 (0.0)
};

class PackageProtocolTest : public ::testing::TestWithParam<PackageCase> {};

TEST_P(PackageProtocolTest, ReportsTheEventsOfTheOutput) {
  PipelineEvents expected{kStart, kZero};
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(RunPackage(GetParam().script), expected);
}

const std::wstring kLongValue(3000, L'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageProtocolTest,
    ::testing::Values(
        PackageCase{"ProgressAndSuccessInOneChunk",
                    "write Progress=0.5\\nState=Success\\n\n",
                    {{2002, 0.5, L""}, {2003, 0.0, L""}}},
        PackageCase{
            "ErrorWithoutFinalLineFeed", "write Error=disk full\n", {{2004, 1000.0, L"disk full"}}},
        PackageCase{"StateIsTrimmed", "write State=  Success \\r\\n\n", {{2003, 0.0, L""}}},
        PackageCase{
            "StateIsCaseSensitive", "write State=success\\nState=FAIL\\n\n", {kEndedSilently}},
        PackageCase{"NothingPrinted", "", {kEndedSilently}},
        PackageCase{"FailAndLaterLinesOfTheSameChunk",
                    "write State=Fail\\nMessage=same chunk\\n\nsleep 1000\n"
                    "write Message=later chunk\\n\n",
                    {kPackageFailed, {3009, 0.0, L"same chunk"}}},
        PackageCase{"LineSplitAcrossReads",
                    "write Progress=0.2\\nMessage=hel\nsleep 300\nwrite lo\\nProgress=0.7\\n\n",
                    {{2002, 0.2, L""}, {3009, 0.0, L"hello"}, {2002, 0.7, L""}, kEndedSilently}},
        PackageCase{"ValueLongerThanOneRead",
                    "write ExePath=\nfill 3000 a\nwrite \\n\n",
                    {{3001, 0.0, kLongValue}, kEndedSilently}},
        PackageCase{"LastLineWithoutLineFeedBeforeExit",
                    "write InstPath=C:\\\\K\n",
                    {{3000, 0.0, L"C:\\K"}, kEndedSilently}},
        PackageCase{"InformationLines",
                    "write InstPath=\\nStartExe=C:\\\\K\\\\K.exe\\r\\nUninstExePath=u1\\n"
                    "UninstExe=u2\\nUninstEp=C:\\\\K\\\\uninst.ep\\nStartUrl=http://k.example/\\n"
                    "TopShowDetention=1500\\nFinsihCloseDetention=-1\\n"
                    "TopShowDetention=soon\\nProgress=half\\n Progress=0.9\\nUnknown=1\\n\n",
                    {{3000, 0.0, L""},
                     {3001, 0.0, L"C:\\K\\K.exe\r"},
                     {3002, 0.0, L"u1"},
                     {3002, 0.0, L"u2"},
                     {3003, 0.0, L"C:\\K\\uninst.ep"},
                     {3004, 0.0, L"http://k.example/"},
                     {3007, 1500.0, L""},
                     {3008, 4294967295.0, L""},
                     {3007, 0.0, L""},
                     {2002, 0.0, L""},
                     kEndedSilently}},
        PackageCase{"StartupStyles",
                    "write StartupStyle=Auto\\nStartupStyle=AutoStartup\\n"
                    "StartupStyle= UserStartup \\nStartupStyle=NonStartup\\n\n",
                    {{3005, 0.0, L""},
                     {3005, 1.0, L""},
                     {3005, 2.0, L""},
                     {3005, 0.0, L""},
                     kEndedSilently}},
        PackageCase{"CodePage936",
                    "write Encode=936\\n\nsleep 300\nwrite936 Message=安装完成\\n\n",
                    {{3009, 0.0, L"安装完成"}, kEndedSilently}},
        PackageCase{"UnusableCodePageKeepsTheOutputReadable",
                    "write Encode=99999999999\\n\nsleep 300\nwrite Message=plain\\n\n"
                    "sleep 300\nwrite Encode=12345\\n\nsleep 300\nwrite Message=text\\n\n",
                    {{3009, 0.0, L"plain"}, {3009, 0.0, L"text"}, kEndedSilently}},
        PackageCase{"OutputAfterTheDecisionIsDrained",
                    "write State=Success\\n\nfill 400000 x\nwrite \\nState=Fail\\n\n",
                    {{2003, 0.0, L""}}},
        PackageCase{"CrashWithoutDecision",
                    "write Progress=0.3\\n\ncrash\n",
                    {{2002, 0.3, L""}, kPackageFailed}},
        PackageCase{"CrashAfterSuccessKeepsTheDecision",
                    "write State=Success\\n\ncrash\n",
                    {{2003, 0.0, L""}}}),
    [](const ::testing::TestParamInfo<PackageCase>& info) { return info.param.name; });

// Where the reads cut the output depends on timing; the encoding of a line
// must not. "Encode=" applies from the next line on, in the same read or a
// later one.
TEST(PackageRunnerTest, EncodeAppliesFromTheNextLineOn) {
  const std::wstring text = L"é安";
  const std::string utf8 = Bytes(text, CP_UTF8);
  const std::string script = "write Message=" + utf8 + "\\nEncode=UTF8\\nMessage=" + utf8 +
                             "\\n\nsleep 300\nwrite Message=" + utf8 + "\\n\n";
  const PipelineEvents expected{kStart,
                                kZero,
                                {3009, 0.0, Utils::FromMultiByte(utf8, CP_ACP)},
                                {3009, 0.0, text},
                                {3009, 0.0, text},
                                kEndedSilently};
  EXPECT_EQ(RunPackage(script), expected);
}

TEST(PackageRunnerTest, CommandLineCarriesTheChoicesAndEndsWithTheFolder) {
  TempFolder folder(L"Program Files (x86)");
  WriteScript(folder, "write Message=\ncmdline\nwrite \\n\n");
  InstallerSettings& settings = InstallerSettings::Instance();
  const std::wstring saved_extra = settings.InstCmd;
  settings.InstCmd = L"-channel=test -x";
  const std::wstring package = L"\"" + ScriptedPackage() + L"\"";
  EventRecorder recorder;
  {
    CInstaller runner(recorder.Callback(), package, L"unused");
    runner.SetInstallFolder(folder.Path());
    runner.SetAdminAccount(true);
    runner.SetElevated(false);
    runner.SetDesktopShortcut(true);
    runner.SetQuickStartShortcut(false);
    runner.SetLanguage(L"zh_CN");
    runner.Start();
  }
  settings.InstCmd = saved_extra;
  const std::wstring expected = package +
                                L" /S -console=show -version=1.0.0 -adminact=true"
                                L" -authorizationact=false -dsc=true -ssc=false"
                                L" -inslang=\"zh_CN\" -channel=test -x -instdir=\"" +
                                folder.Path() + L"\" /D=" + folder.Path();
  const PipelineEvents events = recorder.Events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[2], (PipelineEvent{3009, 0.0, expected}));
}

TEST(PackageRunnerTest, FailedStartsAreReportedWithValueTwo) {
  const PipelineEvents failed{kStart, kZero, {2004, 2.0, L""}};
  EventRecorder missing;
  {
    CInstaller runner(missing.Callback(), L"\"C:\\no such folder\\package.exe\"", L"C:\\K");
    runner.Start();
  }
  EXPECT_EQ(missing.Events(), failed);

  // A command line of 1024 characters or more is refused, not cut short.
  InstallerSettings& settings = InstallerSettings::Instance();
  const std::wstring saved_extra = settings.InstCmd;
  settings.InstCmd = L"-pad=" + std::wstring(1100, L'p');
  EventRecorder too_long;
  {
    CInstaller runner(too_long.Callback(), L"\"" + ScriptedPackage() + L"\"", L"C:\\K");
    runner.Start();
  }
  settings.InstCmd = saved_extra;
  EXPECT_EQ(too_long.Events(), failed);
}

TEST(PackageRunnerTest, FinalEventComesOnceThePackageHasEnded) {
  TempFolder folder(L"pkg");
  WriteScript(folder, "write State=Success\\n\nsleep 1500\n");
  const std::wstring name = install_test::FileNameOf(ScriptedPackage());
  bool package_running_at_end = true;
  {
    CInstaller runner(
        [&](int code, double, const wchar_t*) {
          if (code == 2003) package_running_at_end = Utils::FindProcessByName(name) != 0;
        },
        L"\"" + ScriptedPackage() + L"\"", folder.Path());
    runner.Start();
  }
  EXPECT_FALSE(package_running_at_end);
}

TEST(PackageRunnerTest, EndsWhenAProgramThePackageStartedKeepsTheOutputOpen) {
  TempFolder folder(L"pkg");
  // The copy it starts inherits the output and holds it for 8 seconds.
  WriteScript(folder, "hold 8000\nwrite Progress=0.4\\n\n");
  const std::wstring name = install_test::FileNameOf(ScriptedPackage());
  bool holder_running_at_end = false;
  EventRecorder recorder;
  {
    PipelineCallback record = recorder.Callback();
    CInstaller runner(
        [&](int code, double value, const wchar_t* text) {
          if (code == 2003) holder_running_at_end = Utils::FindProcessByName(name) != 0;
          record(code, value, text);
        },
        L"\"" + ScriptedPackage() + L"\"", folder.Path());
    runner.Start();
  }
  EXPECT_TRUE(holder_running_at_end);
  EXPECT_EQ(recorder.Events(), (PipelineEvents{kStart, kZero, {2002, 0.4, L""}, kEndedSilently}));
  while (Utils::FindProcessByName(name) != 0) Sleep(200);
}

TEST(PackageRunnerTest, StartsAgainAfterARunHasEnded) {
  TempFolder first(L"first");
  TempFolder second(L"second");
  WriteScript(first, "write Message=first\\n\n");
  WriteScript(second, "write Encode=UTF8\\nMessage=second\\n\n");
  EventRecorder recorder;
  {
    CInstaller runner(recorder.Callback(), L"\"" + ScriptedPackage() + L"\"", first.Path());
    runner.Start();
    ASSERT_TRUE(recorder.WaitFor({2003}, 30000));
    runner.SetInstallFolder(second.Path());
    runner.Start();
  }
  const PipelineEvents expected{kStart, kZero, {3009, 0.0, L"first"},  kEndedSilently,
                                kStart, kZero, {3009, 0.0, L"second"}, kEndedSilently};
  EXPECT_EQ(recorder.Events(), expected);
}

// Uninstaller runner.

const PipelineEvent kUninstallStarted{5002, 0.0, L""};

struct UninstallCase {
  const char* name;
  std::string script;
  PipelineEvents expected;  // after 5002 (0.0)
};

class UninstallProtocolTest : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(UninstallProtocolTest, ReportsTheEventsOfTheOutput) {
  PipelineEvents expected{kUninstallStarted};
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(RunUninstaller(GetParam().script), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallProtocolTest,
    ::testing::Values(
        UninstallCase{"ProgressThenSuccess",
                      "write Progress=0.4\\n\nsleep 200\nwrite State= Success\\n\n",
                      {{5002, 0.4, L""}, {5003, 0.0, L""}}},
        UninstallCase{"StateFail", "write State=Fail\\n\n", {{5005, 0.0, L"安装包卸载失败"}}},
        UninstallCase{
            "ErrorWithoutLineFeed", "write Error=file in use\n", {{5005, 0.0, L"file in use"}}},
        UninstallCase{"NothingPrinted", "", {{5003, 1.0, L""}}},
        UninstallCase{"PackageKeysAreIgnored",
                      "write Message=x\\nStartupStyle=AutoStartup\\n\n",
                      {{5003, 1.0, L""}}},
        UninstallCase{"Utf8",
                      "write Encode=UTF8\\n\nsleep 300\nwrite Error=卸载失败\\n\n",
                      {{5005, 0.0, L"卸载失败"}}},
        UninstallCase{"Crash",
                      "write Progress=0.5\\n\ncrash\n",
                      {{5002, 0.5, L""}, {5005, 0.0, L"安装包卸载失败"}}}),
    [](const ::testing::TestParamInfo<UninstallCase>& info) { return info.param.name; });

TEST(UninstallerRunnerTest, CodePage936IsNotUnderstood) {
  const PipelineEvents events =
      RunUninstaller("write Encode=936\\n\nsleep 300\nwrite936 Error=卸载\\n\n");
  const PipelineEvents expected{kUninstallStarted,
                                {5005, 0.0, Utils::FromMultiByte(Bytes(L"卸载", 936), CP_ACP)}};
  EXPECT_EQ(events, expected);
}

TEST(UninstallerRunnerTest, CommandLineEndsWithTheFolder) {
  TempFolder folder(L"Kestrima old");
  WriteScript(folder, "write Error=\ncmdline\nwrite \\n\n");
  std::wstring user;
  const bool admin_account = Utils::GetConsoleUserName(&user) && Utils::IsAdminAccount(user);
  const std::wstring expected = L"\"" + ScriptedPackage() + L"\" /S -adminact=" +
                                (admin_account ? L"true" : L"false") + L" -authorizationact=" +
                                (Utils::IsProcessAdmin() ? L"true" : L"false") +
                                L" -console=show _?=" + folder.Path();
  EventRecorder recorder;
  {
    CUninstaller runner(recorder.Callback(), ScriptedPackage(), folder.Path());
    runner.Start();
  }
  EXPECT_EQ(recorder.Events(), (PipelineEvents{kUninstallStarted, {5005, 0.0, expected}}));
}

TEST(UninstallerRunnerTest, MissingOrUnstartableUninstaller) {
  EventRecorder missing;
  {
    CUninstaller runner(missing.Callback(), L"C:\\nowhere\\Kestrima_un_asa.exe", L"C:\\K");
    runner.Start();
  }
  EXPECT_EQ(missing.Events(), (PipelineEvents{{5004, 1.0, L"可执行卸载文件不存在"}}));

  EventRecorder empty;
  {
    CUninstaller runner(empty.Callback(), L"", L"C:\\K");
    runner.Start();
  }
  EXPECT_EQ(empty.Events(), (PipelineEvents{{5004, 1.0, L"可执行卸载文件不存在"}}));

  EventRecorder too_long;
  {
    CUninstaller runner(too_long.Callback(), ScriptedPackage(), L"C:\\" + std::wstring(1100, L'k'));
    runner.Start();
  }
  EXPECT_EQ(too_long.Events(), (PipelineEvents{kUninstallStarted, {5004, 2.0, L""}}));
}

}  // namespace
