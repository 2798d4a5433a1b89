// The analytics benchmark run as its own process against the endpoint: what
// the endpoint keeps must be exactly what the benchmark recorded.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/analytics/sdk/sdk_test_support.h"

namespace {

// Runs `command_line` with its standard output on a pipe and returns the
// output once the process has ended.
std::string RunAndRead(std::wstring command_line, DWORD* exit_code) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  EXPECT_TRUE(started) << GetLastError();
  std::string output;
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
      output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return output;
}

std::string Field(const std::string& output, const std::string& name) {
  const size_t at = output.find(name + "=");
  if (at == std::string::npos) return std::string();
  const size_t start = at + name.size() + 1;
  return output.substr(start, output.find_first_of(" \r\n", start) - start);
}

TEST(AnalyticsBench, EverythingRecordedReachesTheEndpointOnceAndInOrder) {
  const wchar_t* program = _wgetenv(L"KESTRIMA_EXE_ANALYTICS_BENCH");
  ASSERT_NE(program, nullptr);
  sdk_testing::CollectSink sink("bench_run");
  const std::string url = sink.CollectUrl();
  constexpr int kCount = 2500;  // more than two queues' worth
  DWORD exit_code = 99;
  const std::string output =
      RunAndRead(L"\"" + std::wstring(program) + L"\" \"" + std::wstring(url.begin(), url.end()) +
                     L"\" " + std::to_wstring(kCount),
                 &exit_code);
  EXPECT_EQ(exit_code, 0u) << output;
  EXPECT_EQ(Field(output, "recorded"), std::to_string(kCount)) << output;
  EXPECT_EQ(Field(output, "flushed"), "true") << output;
  EXPECT_FALSE(Field(output, "records_per_s").empty()) << output;

  const auto records = sink.Records();
  ASSERT_EQ(records.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    const Json::Value record = sdk_testing::ParseJson(records[i]);
    ASSERT_EQ(record["properties"]["qv_seq"].asInt(), i);
    ASSERT_EQ(record["event"].asString(), "QvEventTask");
    ASSERT_EQ(record["distinct_id"].asString(), "bench-device");
  }
}

TEST(AnalyticsBench, WithTheEndpointDownTheQueueStaysBounded) {
  const wchar_t* program = _wgetenv(L"KESTRIMA_EXE_ANALYTICS_BENCH");
  ASSERT_NE(program, nullptr);
  DWORD exit_code = 99;
  // Port 9 on loopback has no listener: every delivery is refused at once.
  const std::string output = RunAndRead(
      L"\"" + std::wstring(program) + L"\" http://127.0.0.1:9/collect?project=pc 5000", &exit_code);
  EXPECT_EQ(exit_code, 3u) << output;
  EXPECT_EQ(Field(output, "flushed"), "false") << output;
  EXPECT_EQ(Field(output, "most_queued"), "1024") << output;
  EXPECT_EQ(Field(output, "left_queued"), "1024") << output;
}

}  // namespace
