// The single-stream downloader against the loopback download server.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <thread>

#include "download/CurlClient.h"
#include "download/CurlDownloader.h"
#include "download/CurlTransferOptions.h"
#include "tests/download/DownloadTestSupport.h"

using namespace dltest;

namespace {

const int kWait = 180;

class CurlDownloaderTest : public testing::Test {
 protected:
  std::unique_ptr<CCurlDownloader> Make(const std::wstring& url, bool restart_on_retry = true) {
    auto downloader = std::make_unique<CCurlDownloader>(events.Callback(), url, target);
    if (restart_on_retry) events.RestartOnRetry(downloader.get());
    return downloader;
  }

  DlServer server;
  TempDir dir;
  EventRecorder events;
  std::wstring target = dir.File(L"__Package_Kestrima.exe");
  std::wstring part = target + L".part";
};

TEST_F(CurlDownloaderTest, FetchesThroughRedirectsAndReportsInOrder) {
  const Package package = server.Create("ss_order.bin", 3000000, 11);
  server.Rules(R"([{"methods":["GET"],"rate":1000000}])");
  auto downloader = Make(PackageUrl(server.base(), package, 2));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));

  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  const auto all = events.Events();
  EXPECT_EQ(all.front().value, 1.0);
  EXPECT_EQ(all.back().text, L"LibCurl");
  double previous = 0.0;
  int progress = 0;
  for (const auto& event : all) {
    if (event.code != DL_CODE_PROGRESS) continue;
    ++progress;
    EXPECT_GT(event.value, previous);
    EXPECT_LE(event.value, 1.0);
    EXPECT_EQ(event.text, L"");
    previous = event.value;
  }
  EXPECT_GE(progress, 1);
  EXPECT_EQ(Md5Of(target), package.md5);
  EXPECT_FALSE(FileExists(part));
  // One transfer, on the final address, without a range.
  const auto gets = server.Requests("GET", package.name);
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].path, "/files/" + package.md5 + "/" + package.name);
  EXPECT_EQ(gets[0].range, "");
  EXPECT_EQ(server.Log().front().method, "HEAD");
}

// The probes: lengths at the 1 MiB limit, a HEAD without length, an error
// status on HEAD. Each attempt of a failing probe asks three times (HEAD by
// handle, final address, length without redirects).
struct ProbeCase {
  const char* name;
  long long size;
  const char* rules;
  int final_code;
  double value;
  size_t heads;
  size_t gets;
};

class CurlProbeTest : public CurlDownloaderTest, public testing::WithParamInterface<ProbeCase> {};

TEST_P(CurlProbeTest, EndsAsTheLengthAllows) {
  const ProbeCase& c = GetParam();
  const Package package = server.Create(std::string("ss_probe_") + c.name, c.size, 3);
  server.Rules(c.rules);
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.LastFinal(), c.final_code);
  EXPECT_EQ(events.LastFinalValue(), c.value);
  EXPECT_EQ(server.Requests("HEAD", package.name).size(), c.heads);
  EXPECT_EQ(server.Requests("GET", package.name).size(), c.gets);
  if (c.final_code == DL_CODE_SUCCESS) {
    EXPECT_EQ(Md5Of(target), package.md5);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, CurlProbeTest,
    testing::Values(ProbeCase{"exact_mib", 1048576, "[]", DL_CODE_SUCCESS, 0.0, 1, 1},
                    ProbeCase{"below_mib", 1048575, "[]", DL_CODE_FAIL, -998.0, 18, 0},
                    ProbeCase{"head_no_length", 1500000,
                              R"([{"methods":["HEAD"],"omit_length":true,"count":1}])",
                              DL_CODE_SUCCESS, 0.0, 3, 1},
                    ProbeCase{"head_error", 1500000, R"([{"methods":["HEAD"],"status":500}])",
                              DL_CODE_FAIL, -998.0, 18, 0}),
    [](const testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.name); });

// Broken transfers resume from the part file and end with the exact bytes.
struct ResumeCase {
  const char* name;
  const char* rules;
  std::vector<std::string> ranges;  // Range header of each GET, in order
};

class CurlResumeTest : public CurlDownloaderTest, public testing::WithParamInterface<ResumeCase> {};

TEST_P(CurlResumeTest, EndsWithTheExactFile) {
  const ResumeCase& c = GetParam();
  const Package package = server.Create("ss_resume.bin", 2500000, 5);
  server.Rules(c.rules);
  auto downloader = Make(PackageUrl(server.base(), package, 1));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(Md5Of(target), package.md5);
  EXPECT_EQ(FileSize(target), package.size);
  EXPECT_FALSE(FileExists(part));
  std::vector<std::string> ranges;
  for (const auto& request : server.Requests("GET", package.name)) ranges.push_back(request.range);
  EXPECT_EQ(ranges, c.ranges);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CurlResumeTest,
    testing::Values(ResumeCase{"cut",
                               R"([{"methods":["GET"],"cut_after":1000000,"count":1}])",
                               {"", "bytes=1000000-"}},
                    // Without a length the cut looks like a normal end to libcurl; the
                    // length from the probe shows it is not.
                    ResumeCase{
                        "cut_without_length",
                        R"([{"methods":["GET"],"cut_after":1000000,"omit_length":true,"count":1}])",
                        {"", "bytes=1000000-"}},
                    // A server that then ignores the range would append the file's start
                    // to the part file; the part is dropped and fetched again instead.
                    ResumeCase{"cut_then_range_ignored",
                               R"([{"methods":["GET"],"cut_after":1000000,"count":1},
                       {"methods":["GET"],"ignore_ranges":true,"count":1}])",
                               {"", "bytes=1000000-", ""}}),
    [](const testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

// The retry budget of 12: a partial-file failure (18) costs 1, others 2.
struct BudgetCase {
  const char* name;
  std::string rules;
  size_t attempts;
  double final_value;
};

std::string Alternating() {
  std::string rules = "[";
  for (int i = 0; i < 8; ++i) {
    rules += std::string(i ? "," : "") + R"({"methods":["GET"],"cut_after":1000,"count":1},)" +
             R"({"methods":["GET"],"status":500,"count":1})";
  }
  return rules + "]";
}

class CurlBudgetTest : public CurlDownloaderTest, public testing::WithParamInterface<BudgetCase> {};

TEST_P(CurlBudgetTest, GivesUpWhenTheBudgetIsSpent) {
  const BudgetCase& c = GetParam();
  const Package package = server.Create("ss_budget.bin", 1100000, 9);
  server.Rules(c.rules);
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(events.LastFinalValue(), c.final_value);
  EXPECT_EQ(events.Events().back().text, L"LibCurl");
  EXPECT_EQ(server.Requests("GET", package.name).size(), c.attempts);
  EXPECT_FALSE(FileExists(target));
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, CurlBudgetTest,
    testing::Values(BudgetCase{"partial_file", R"([{"methods":["GET"],"cut_after":1000}])", 12,
                               18.0},
                    BudgetCase{"http_error", R"([{"methods":["GET"],"status":500}])", 6, 22.0},
                    BudgetCase{"alternating", Alternating(), 8, 22.0}),
    [](const testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

// The MD5 in the final address. The owner restarts on 1005 from inside the
// callback, as the pipeline does.
struct Md5Case {
  const char* name;
  int segment;  // 0 right, 1 upper-case, 2 other digest, 3 31 characters
  std::vector<int> codes;
  const wchar_t* notice;
};

class CurlMd5Test : public CurlDownloaderTest, public testing::WithParamInterface<Md5Case> {};

TEST_P(CurlMd5Test, ChecksTheDigestFromTheAddress) {
  const Md5Case& c = GetParam();
  const Package package = server.Create("ss_md5.bin", 1200000, 13);
  std::string segment = package.md5;
  if (c.segment == 1) std::transform(segment.begin(), segment.end(), segment.begin(), ::toupper);
  if (c.segment == 2) segment = std::string(32, 'a');
  if (c.segment == 3) segment = package.md5.substr(0, 31);
  auto downloader = Make(PackageUrl(server.base(), package, 1, segment));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), c.codes);
  for (const auto& event : events.Events()) {
    if (event.code == DL_CODE_NOTICE) {
      EXPECT_EQ(event.text, c.notice);
    }
  }
  if (c.codes.back() == DL_CODE_SUCCESS) {
    EXPECT_EQ(Md5Of(target), package.md5);
  }
  // A restarted run after a mismatch fetches the whole file again.
  for (const auto& request : server.Requests("GET", package.name)) EXPECT_EQ(request.range, "");
}

INSTANTIATE_TEST_SUITE_P(Digests, CurlMd5Test,
                         testing::Values(Md5Case{"upper_case",
                                                 1,
                                                 {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL},
                                                 L"curl文件md5校验失败"},
                                         Md5Case{"other_digest",
                                                 2,
                                                 {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL},
                                                 L"curl文件md5校验失败"},
                                         Md5Case{"short_segment",
                                                 3,
                                                 {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS},
                                                 L"curl获取url-md5失败"}),
                         [](const testing::TestParamInfo<Md5Case>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(CurlDownloaderTest, EmptyTargetFailsWithoutRequest) {
  const Package package = server.Create("ss_order.bin", 3000000, 11);
  target.clear();
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(events.LastFinalValue(), 1.0);
  EXPECT_EQ(events.Events().back().text, L"");
  EXPECT_TRUE(server.Log().empty());
}

TEST_F(CurlDownloaderTest, UnwritablePartFileFailsEveryAttempt) {
  const Package package = server.Create("ss_order.bin", 3000000, 11);
  target = dir.File(L"missing\\__Package_Kestrima.exe");
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(events.LastFinalValue(), static_cast<double>(CurlClient::kPartFileNotOpened));
  // The probe's answer is kept: only the first attempt asks for the length.
  EXPECT_EQ(server.Requests("HEAD", package.name).size(), 1u);
  EXPECT_TRUE(server.Requests("GET", package.name).empty());
}

TEST_F(CurlDownloaderTest, ProgressPausesDuringAStallAndResumesAfter) {
  const Package package = server.Create("ss_stall.bin", 3000000, 17);
  server.Rules(R"([{"methods":["GET"],"rate":600000,"stall_after":1200000,"stall_seconds":5}])");
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.LastFinal(), DL_CODE_SUCCESS);
  EXPECT_EQ(Md5Of(target), package.md5);
  std::vector<Event> progress;
  for (const auto& event : events.Events()) {
    if (event.code == DL_CODE_PROGRESS) progress.push_back(event);
  }
  ASSERT_GE(progress.size(), 3u);
  // Find the longest silence between two reports: the stall.
  size_t gap_end = 1;
  for (size_t i = 1; i < progress.size(); ++i) {
    if (progress[i].when - progress[i - 1].when >
        progress[gap_end].when - progress[gap_end - 1].when)
      gap_end = i;
  }
  EXPECT_GE(progress[gap_end].when - progress[gap_end - 1].when, std::chrono::seconds(3));
  EXPECT_LE(progress[gap_end - 1].value, 1200000.0 / 3000000.0 + 1e-9);
  EXPECT_LT(gap_end, progress.size() - 1) << "no progress after the stall";
  EXPECT_EQ(server.Requests("GET", package.name).size(), 1u);
}

TEST_F(CurlDownloaderTest, StalledConnectionIsAbandonedAndResumed) {
  const Package package = server.Create("ss_dead.bin", 1500000, 19);
  server.Rules(R"([{"methods":["GET"],"stall_after":400000,"stall_seconds":600,"count":1}])");
  CurlClient client(PackageUrl(server.base(), package, 0), target, nullptr,
                    [](void*, double, double, double) {});
  EXPECT_EQ(client.Start(), CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(FileSize(part), 400000);
  EXPECT_EQ(client.Start(), 0);
  EXPECT_EQ(Md5Of(target), package.md5);
  const auto gets = server.Requests("GET", package.name);
  ASSERT_EQ(gets.size(), 2u);
  EXPECT_EQ(gets[1].range, "bytes=400000-");
}

TEST_F(CurlDownloaderTest, RedirectLoopEndsAsAFailure) {
  auto downloader = Make(Wide(server.base() + "/loop/pkg.exe"));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_FALSE(FileExists(target));
  // Six attempts of three probes, each following at most the redirect bound.
  const size_t bound = 6 * (2 * (kMaxRedirects + 1) + 1);
  EXPECT_LE(server.Requests("HEAD", "/loop/").size() + server.Requests("GET", "/loop/").size(),
            bound);
}

// HTTPS: the package is run elevated, so only a server whose certificate
// leads to a trusted root may deliver it.
struct TlsCase {
  const char* name;
  const char* server;  // environment variable with the server's base URL
  bool ca_trusted;     // the test CA is in the prefix's root store
  int final_code;
};

class CurlTlsTest : public CurlDownloaderTest, public testing::WithParamInterface<TlsCase> {};

TEST_P(CurlTlsTest, AcceptsOnlyTrustedServers) {
  const TlsCase& c = GetParam();
  ASSERT_TRUE(SetTestCaTrusted(c.ca_trusted));
  const Package package = server.Create("ss_tls.bin", 1100000, 23);
  auto downloader = Make(PackageUrl(Env(c.server), package, 1));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.LastFinal(), c.final_code);
  if (c.final_code == DL_CODE_SUCCESS) {
    EXPECT_EQ(Md5Of(target), package.md5);
  } else {
    EXPECT_FALSE(FileExists(target));
    EXPECT_FALSE(FileExists(part));
    EXPECT_TRUE(server.Requests("GET", package.name).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, CurlTlsTest,
    testing::Values(TlsCase{"ca_not_trusted", "DLSERVER_HTTPS_TRUSTED_URL", false, DL_CODE_FAIL},
                    TlsCase{"self_signed", "DLSERVER_HTTPS_SELF_URL", true, DL_CODE_FAIL},
                    TlsCase{"ca_trusted", "DLSERVER_HTTPS_TRUSTED_URL", true, DL_CODE_SUCCESS}),
    [](const testing::TestParamInfo<TlsCase>& info) { return std::string(info.param.name); });

TEST_F(CurlDownloaderTest, DestructionStopsTheTransferAndReportsNothingMore) {
  const Package package = server.Create("ss_order.bin", 3000000, 11);
  server.Rules(R"([{"methods":["GET"],"rate":200000}])");
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  for (int i = 0; i < 200 && events.Count(DL_CODE_PROGRESS) == 0; ++i) Sleep(100);
  ASSERT_GE(events.Count(DL_CODE_PROGRESS), 1);
  downloader.reset();
  const size_t reported = events.Events().size();
  Sleep(1500);
  EXPECT_EQ(events.Events().size(), reported);
  EXPECT_EQ(events.Count(DL_CODE_SUCCESS) + events.Count(DL_CODE_FAIL), 0);
  EXPECT_FALSE(FileExists(part));
  EXPECT_FALSE(FileExists(target));
}

}  // namespace
