#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/utils/ChildProcess.h"
#include "app/utils/Text.h"
#include "tests/orvui/test_support.h"

namespace {

struct DumpRun {
  DWORD exitCode = 0;
  std::wstring output;
};

DumpRun RunDump(const std::wstring& arguments) {
  const wchar_t* exe = _wgetenv(L"KESTRIMA_EXE_LAYOUT_DUMP");
  EXPECT_NE(exe, nullptr);
  DumpRun run;
  if (exe == nullptr) return run;
  Utils::ChildProcess child;
  child.Start(L"\"" + std::wstring(exe) + L"\" " + arguments);
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(child.OutputRead(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  WaitForSingleObject(child.Process(), 30000);
  GetExitCodeProcess(child.Process(), &run.exitCode);
  run.output = Utils::FromMultiByte(bytes);
  return run;
}

bool HasLine(const std::wstring& output, const std::wstring& line) {
  return (L"\n" + output).find(L"\n" + line + L"\n") != std::wstring::npos;
}

TEST(LayoutDump, PrintsTheSameRectanglesFromAnArchiveOrAFolder) {
  const DumpRun fromArchive =
      RunDump(L"\"" + OrvUITest::SkinArchivePath() + L"\" MainWnd.xml 600 400");
  const DumpRun fromFolder =
      RunDump(L"\"" + OrvUITest::ExeFolder() + L"skin\" mainWnd.xml 600 400");
  ASSERT_EQ(fromArchive.exitCode, 0u) << fromArchive.output.c_str();
  EXPECT_EQ(fromArchive.output, fromFolder.output);
  const std::wstring& out = fromArchive.output;
  const wchar_t* expected[] = {
      L"0 VerticalLayout root 0,0,600,400 1",
      L"1 HorizontalLayout titleBar 0,0,600,40 1",
      // The custom "SequenceLabel" is skipped; the spacer takes the rest.
      L"2 Control titleSpacer 10,0,570,40 1",
      L"2 Control closeBtn 570,5,600,35 1",
      L"1 TabLayout pages 0,40,600,370 1",
      L"2 VerticalLayout welcomePage 20,50,580,360 1",
      L"3 Control banner 20,50,580,170 1",
      L"3 HorizontalLayout buttons 20,320,580,360 1",
      L"4 Control installBtn 439,320,580,330 1",
      L"2 VerticalLayout progressPage 0,0,0,0 0",
      L"1 HorizontalLayout footer 0,370,600,400 1",
      L"1 Control badge 560,10,590,30 1",
  };
  for (const wchar_t* line : expected) {
    EXPECT_TRUE(HasLine(out, line)) << std::string(line, line + wcslen(line));
  }
  EXPECT_EQ(out.find(L"logoAnim"), std::wstring::npos);
}

TEST(LayoutDump, LoadFailuresPrintTheMessageAndExitWithOne) {
  const DumpRun missing = RunDump(L"\"" + OrvUITest::SkinArchivePath() + L"\" nothing.xml 10 10");
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_NE(missing.output.find(L"Could not find ziped file"), std::wstring::npos);
  const DumpRun tooLarge =
      RunDump(L"\"" + OrvUITest::ExeFolder() + L"skin\" limit\\over.xml 10 10");
  EXPECT_EQ(tooLarge.exitCode, 1u);
  EXPECT_NE(tooLarge.output.find(L"File too large"), std::wstring::npos);
}

}  // namespace
