#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "app/log/DebugLog.h"
#include "app/utils/Text.h"

namespace {

std::wstring Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring line = Utils::FormatLogLine(format, args);
  va_end(args);
  return line;
}

TEST(DebugLog, PrefixFieldsAndWideTexts) {
  const std::wstring line = Format(KESTRIMA_LOG_PREFIX L"DL_TYPE=%d\r\n", 4312, 7756, 2024, 3, 5,
                                   14, 2, 9, 47, L"CDownloadInstaller::Start", 189, 3);
  EXPECT_EQ(line,
            L"<P04312><T07756><2024-03-05 14:02:09.047>(CDownloadInstaller::Start)<0189>: "
            L"DL_TYPE=3\r\n");
  // "%s" takes a UTF-16 text, including Chinese text; wider numbers are not cut.
  EXPECT_EQ(Format(KESTRIMA_LOG_PREFIX L"ExePath: %s", 123456, 1, 2024, 12, 31, 23, 59, 59, 999,
                   L"T", 12345, L"C:\\\u5b89\u88c5\\Kestrima.exe"),
            L"<P123456><T00001><2024-12-31 23:59:59.999>(T)<12345>: ExePath: "
            L"C:\\\u5b89\u88c5\\Kestrima.exe");
}

TEST(DebugLog, TagsFromCompilerSignatures) {
  struct Case {
    const char* signature;
    const wchar_t* tag;
  } cases[] = {
      {"void CDownloadInstaller::Start(int)", L"CDownloadInstaller::Start"},
      {"static unsigned int Utils::Thread::CallBack(void*)", L"Utils::Thread::CallBack"},
      {"long int Utils::CheckNetwork()", L"Utils::CheckNetwork"},
      {"virtual void {anonymous}::Foo_Test::TestBody()", L"Foo_Test::TestBody"},
      {"std::vector<int, std::allocator<int> > A::B<int>::Get(std::pair<int, int>) const",
       L"A::B<int>::Get"},
      {"const char* A::Name()", L"A::Name"},
      {"void A::operator()(int)", L"A::operator()"},
      {"CDownloadInstaller::Start(int)::<lambda()>", L"CDownloadInstaller::Start"},
      {"main", L"main"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utils::LogTagFromSignature(c.signature), c.tag) << c.signature;
}

// Debug output reaches an attached debugger through a first-chance exception
// that carries the text; a vectored handler sees the same exception, which
// lets the test read the real line without a debugger process.
std::mutex g_lock;
std::vector<std::wstring> g_captured;

LONG CALLBACK CaptureDebugOutput(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  if (r->ExceptionCode == 0x40010006 && r->NumberParameters >= 2) {  // DBG_PRINTEXCEPTION_C
    std::lock_guard<std::mutex> hold(g_lock);
    g_captured.push_back(
        Utils::FromMultiByte(std::string(reinterpret_cast<const char*>(r->ExceptionInformation[1]),
                                         static_cast<size_t>(r->ExceptionInformation[0]) - 1),
                             CP_ACP));
  } else if (r->ExceptionCode == 0x4001000A && r->NumberParameters >= 2) {  // wide variant
    std::lock_guard<std::mutex> hold(g_lock);
    g_captured.push_back(std::wstring(reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]),
                                      static_cast<size_t>(r->ExceptionInformation[0]) - 1));
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

TEST(DebugLog, RealLineCarriesPrefixAndKeepsDataOutOfTheFormat) {
  PVOID handler = AddVectoredExceptionHandler(1, &CaptureDebugOutput);
  const wchar_t* data = L"100%s%d%n";  // would crash or misprint if it were a format
  DEBUG_LOG(L"value=%d text=%s\r\n", 50, data);
  DEBUG_LOG(L"GetConnectivity %d", 0);
  RemoveVectoredExceptionHandler(handler);

  std::lock_guard<std::mutex> hold(g_lock);
  ASSERT_FALSE(g_captured.empty());
  const std::wregex first(
      LR"(<P(\d{5,})><T(\d{5,})><\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}>)"
      LR"(\(DebugLog_RealLineCarriesPrefixAndKeepsDataOutOfTheFormat_Test::TestBody\)<\d{4}>: )"
      LR"(value=50 text=100%s%d%n\r\n)");
  std::wsmatch m;
  bool found = false, found_second = false;
  for (const std::wstring& line : g_captured) {
    if (std::regex_match(line, m, first)) {
      found = true;
      EXPECT_EQ(std::stoul(m[1].str()), GetCurrentProcessId());
      EXPECT_EQ(std::stoul(m[2].str()), GetCurrentThreadId());
    }
    // A message without a line end gets none added.
    if (line.size() > 17 && line.compare(line.size() - 17, 17, L"GetConnectivity 0") == 0) {
      found_second = true;
    }
  }
  EXPECT_TRUE(found) << "captured: " << Utils::ToUtf8(g_captured.front());
  EXPECT_TRUE(found_second);
}

}  // namespace
