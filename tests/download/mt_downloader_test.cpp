// The multi-part downloader against the loopback download server.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "app/settings/InstallerSettings.h"
#include "download/CurlTransferOptions.h"
#include "download/MTCurlDownloader.h"
#include "tests/download/DownloadTestSupport.h"

using namespace dltest;

namespace {

const int kWait = 240;
using Ranges = std::vector<std::pair<int64_t, int64_t>>;

TEST(MTCurlSplitTest, SplitsIntoAtMostTwoRanges) {
  const struct {
    int64_t length;
    Ranges ranges;
  } cases[] = {
      {256, {{0, 255}}},
      {10485759, {{0, 10485758}}},
      {20971519, {{0, 20971518}}},
      {20971520, {{0, 10485759}, {10485760, 20971519}}},
      {20971521, {{0, 10485759}, {10485760, 20971520}}},
      {104857601, {{0, 52428799}, {52428800, 104857600}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CMTCurlDownloader::SplitRanges(c.length), c.ranges) << c.length;
  }
}

class MTCurlDownloaderTest : public testing::Test {
 protected:
  std::unique_ptr<CMTCurlDownloader> Make(const std::wstring& url, bool restart_on_retry = true) {
    auto downloader = std::make_unique<CMTCurlDownloader>(events.Callback(), url, target);
    if (restart_on_retry) events.RestartOnRetry(downloader.get());
    return downloader;
  }
  // Range headers of the GETs of a package, sorted (ranges run in parallel).
  std::vector<std::string> SortedRanges(const Package& package) {
    std::vector<std::string> ranges;
    for (const auto& request : server.Requests("GET", package.name)) {
      ranges.push_back(request.range);
    }
    std::sort(ranges.begin(), ranges.end());
    return ranges;
  }

  DlServer server;
  TempDir dir;
  EventRecorder events;
  std::wstring target = dir.File(L"__Package_Kestrima.exe");
};

// What is asked for on the wire, including resumed ranges after a cut.
struct WireCase {
  const char* name;
  long long size;
  const char* rules;
  std::vector<std::string> ranges;  // sorted
};

class MTCurlWireTest : public MTCurlDownloaderTest, public testing::WithParamInterface<WireCase> {};

TEST_P(MTCurlWireTest, AsksForTheRangesAndJoinsThem) {
  const WireCase& c = GetParam();
  const Package package = server.Create("mt_" + std::to_string(c.size) + ".bin", c.size, 29);
  server.Rules(c.rules);
  auto downloader = Make(PackageUrl(server.base(), package, 2));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(events.Events().back().text, L"LibCurl");
  EXPECT_EQ(Md5Of(target), package.md5);
  EXPECT_FALSE(FileExists(target + L"_0"));
  EXPECT_FALSE(FileExists(target + L"_1"));
  EXPECT_EQ(SortedRanges(package), c.ranges);
  for (const auto& request : server.Requests("GET", package.name)) {
    EXPECT_EQ(request.path, "/files/" + package.md5 + "/" + package.name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Splits, MTCurlWireTest,
    testing::Values(
        WireCase{"smallest", 256, "[]", {"bytes=0-255"}},
        WireCase{"one_part", 10485759, "[]", {"bytes=0-10485758"}},
        WireCase{"two_parts", 20971520, "[]", {"bytes=0-10485759", "bytes=10485760-20971519"}},
        WireCase{"longer_second", 20971521, "[]", {"bytes=0-10485759", "bytes=10485760-20971520"}},
        // A cut leaves exactly one byte of the second range: it is asked for
        // alone, with both numbers equal.
        WireCase{"one_byte_left",
                 20971521,
                 R"([{"methods":["GET"],"range_prefix":"bytes=10485760-",
                      "cut_after":10485760,"count":1}])",
                 {"bytes=0-10485759", "bytes=10485760-20971520", "bytes=20971520-20971520"}},
        WireCase{"first_range_cut",
                 20971520,
                 R"([{"methods":["GET"],"range_prefix":"bytes=0-","cut_after":3000000,
                      "count":1}])",
                 {"bytes=0-10485759", "bytes=10485760-20971519", "bytes=3000000-10485759"}},
        // A range ignored for a file fetched in one range still gives the
        // exact bytes.
        WireCase{"ignored_single_range",
                 1500000,
                 R"([{"methods":["GET"],"ignore_ranges":true}])",
                 {"bytes=0-1499999"}},
        // A connection stalled longer than the low-speed limit is abandoned
        // and the range resumed.
        WireCase{"stall",
                 1500000,
                 R"([{"methods":["GET"],"stall_after":500000,"stall_seconds":30,"count":1}])",
                 {"bytes=0-1499999", "bytes=500000-1499999"}}),
    [](const testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

TEST_F(MTCurlDownloaderTest, LengthBelowLimitFailsAtTheProbe) {
  const Package package = server.Create("mt_255.bin", 255, 31);
  auto downloader = Make(PackageUrl(server.base(), package, 1));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(events.LastFinalValue(), 0.0);
  EXPECT_EQ(events.Events().back().text, L"LibCurl");
  EXPECT_EQ(server.Requests("HEAD", package.name).size(), 2u);  // redirect and final
  EXPECT_TRUE(server.Requests("GET", package.name).empty());
}

TEST_F(MTCurlDownloaderTest, RestartKeepsCompletedPartsAfterProgress) {
  const Package package = server.Create("mt_20971520.bin", 20971520, 29);
  // The first range arrives slowly enough to be reported; the second fails
  // its whole budget of seven attempts, then works after the restart.
  server.Rules(R"([{"methods":["GET"],"range_prefix":"bytes=0-","rate":6000000},
                   {"methods":["GET"],"range_prefix":"bytes=10485760-","status":500,
                    "count":7}])");
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(),
            (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_SUCCESS}));
  for (const auto& event : events.Events()) {
    if (event.code == DL_CODE_RETRY) {
      EXPECT_EQ(event.value, 22.0);
    }
  }
  EXPECT_EQ(Md5Of(target), package.md5);
  int first = 0, second = 0;
  for (const auto& range : SortedRanges(package)) {
    first += range == "bytes=0-10485759";
    second += range == "bytes=10485760-20971519";
  }
  EXPECT_EQ(first, 1) << "the completed first range was fetched again";
  EXPECT_EQ(second, 8);
}

TEST_F(MTCurlDownloaderTest, RangeIgnoredForTheSecondPartNeverMixesBytes) {
  const Package package = server.Create("mt_20971520.bin", 20971520, 29);
  server.Rules(R"([{"methods":["GET"],"ignore_ranges":true}])");
  auto downloader = Make(PackageUrl(server.base(), package, 0), false);
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY}));
  EXPECT_EQ(events.LastFinalValue(), 23.0);
  // The first range holds its bytes; the second never took the file's start.
  EXPECT_EQ(FileSize(target + L"_0"), 10485760);
  EXPECT_LE(FileSize(target + L"_1"), 0);
  EXPECT_FALSE(FileExists(target));
  EXPECT_EQ(server.Requests("GET", package.name).size(), 1u + 7u);

  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(2, kWait));
  EXPECT_EQ(events.LastFinal(), DL_CODE_FAIL);
  EXPECT_EQ(events.LastFinalValue(), 23.0);
  EXPECT_FALSE(FileExists(target));
}

struct BudgetCase {
  const char* name;
  const char* rules;
  size_t attempts;
  double value;
};

class MTCurlBudgetTest : public MTCurlDownloaderTest,
                         public testing::WithParamInterface<BudgetCase> {};

TEST_P(MTCurlBudgetTest, RangeGivesUpWhenTheBudgetIsSpent) {
  const BudgetCase& c = GetParam();
  const Package package = server.Create("mt_budget.bin", 1048576, 37);
  server.Rules(c.rules);
  auto downloader = Make(PackageUrl(server.base(), package, 0), false);
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY}));
  EXPECT_EQ(events.LastFinalValue(), c.value);
  EXPECT_EQ(server.Requests("GET", package.name).size(), c.attempts);
  EXPECT_FALSE(FileExists(target));
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, MTCurlBudgetTest,
    testing::Values(BudgetCase{"http_error", R"([{"methods":["GET"],"status":500}])", 7, 22.0},
                    BudgetCase{"partial_file", R"([{"methods":["GET"],"cut_after":1000}])", 13,
                               18.0}),
    [](const testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

struct Md5Case {
  const char* name;
  int segment;  // 1 upper-case, 3 31 characters
  std::vector<int> codes;
  const wchar_t* notice;
};

class MTCurlMd5Test : public MTCurlDownloaderTest, public testing::WithParamInterface<Md5Case> {};

TEST_P(MTCurlMd5Test, ChecksTheDigestFromTheAddress) {
  const Md5Case& c = GetParam();
  const Package package = server.Create("mt_md5.bin", 1300000, 41);
  std::string segment = package.md5;
  if (c.segment == 1) std::transform(segment.begin(), segment.end(), segment.begin(), ::toupper);
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
  EXPECT_EQ(FileExists(target), c.codes.back() == DL_CODE_SUCCESS);
  if (c.codes.back() == DL_CODE_SUCCESS) {
    EXPECT_EQ(Md5Of(target), package.md5);
  }
  // After a mismatch the restarted run fetches everything again.
  for (const auto& request : server.Requests("GET", package.name)) {
    EXPECT_EQ(request.range, "bytes=0-1299999");
  }
}

INSTANTIATE_TEST_SUITE_P(Digests, MTCurlMd5Test,
                         testing::Values(Md5Case{"upper_case",
                                                 1,
                                                 {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_NOTICE, DL_CODE_FAIL},
                                                 L"mtcurl文件md5校验失败"},
                                         Md5Case{"short_segment",
                                                 3,
                                                 {DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS},
                                                 L"mtcurl获取url-md5失败"}),
                         [](const testing::TestParamInfo<Md5Case>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(MTCurlDownloaderTest, UnwritablePartFileFailsTheRun) {
  const Package package = server.Create("mt_md5.bin", 1300000, 41);
  target = dir.File(L"missing\\__Package_Kestrima.exe");
  auto downloader = Make(PackageUrl(server.base(), package, 0), false);
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY}));
  EXPECT_EQ(events.LastFinalValue(), static_cast<double>(CMTCurlDownloader::kPartFileNotOpened));
  EXPECT_TRUE(server.Requests("GET", package.name).empty());
}

TEST_F(MTCurlDownloaderTest, RefusesToRunWithoutLibcurl) {
  const Package package = server.Create("mt_md5.bin", 1300000, 41);
  InstallerSettings::Instance().HttpReady = false;
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  const bool ended = events.WaitFinals(1, kWait);
  InstallerSettings::Instance().HttpReady = true;
  ASSERT_TRUE(ended);
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_TRUE(server.Log().empty());
}

TEST_F(MTCurlDownloaderTest, RedirectLoopFailsAtTheProbe) {
  auto downloader = Make(Wide(server.base() + "/loop/pkg.exe"));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_LE(server.Requests("HEAD", "/loop/").size(), static_cast<size_t>(kMaxRedirects + 1));
}

// HTTPS: the package is run elevated, so only a server whose certificate
// leads to a trusted root may deliver it.
struct TlsCase {
  const char* name;
  const char* server;  // environment variable with the server's base URL
  bool ca_trusted;     // the test CA is in the prefix's root store
  int final_code;
};

class MTCurlTlsTest : public MTCurlDownloaderTest, public testing::WithParamInterface<TlsCase> {};

TEST_P(MTCurlTlsTest, AcceptsOnlyTrustedServers) {
  const TlsCase& c = GetParam();
  ASSERT_TRUE(SetTestCaTrusted(c.ca_trusted));
  const Package package = server.Create("mt_md5.bin", 1300000, 41);
  auto downloader = Make(PackageUrl(Env(c.server), package, 1));
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, kWait));
  EXPECT_EQ(events.LastFinal(), c.final_code);
  if (c.final_code == DL_CODE_SUCCESS) {
    EXPECT_EQ(Md5Of(target), package.md5);
  } else {
    EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_FALSE(FileExists(target));
    EXPECT_TRUE(server.Requests("GET", package.name).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, MTCurlTlsTest,
    testing::Values(TlsCase{"ca_not_trusted", "DLSERVER_HTTPS_TRUSTED_URL", false, DL_CODE_FAIL},
                    TlsCase{"self_signed", "DLSERVER_HTTPS_SELF_URL", true, DL_CODE_FAIL},
                    TlsCase{"ca_trusted", "DLSERVER_HTTPS_TRUSTED_URL", true, DL_CODE_SUCCESS}),
    [](const testing::TestParamInfo<TlsCase>& info) { return std::string(info.param.name); });

TEST_F(MTCurlDownloaderTest, DestructionStopsTheRangesAndReportsNothingMore) {
  const Package package = server.Create("mt_20971520.bin", 20971520, 29);
  server.Rules(R"([{"methods":["GET"],"rate":300000}])");
  auto downloader = Make(PackageUrl(server.base(), package, 0));
  downloader->Start();
  for (int i = 0; i < 300 && events.Count(DL_CODE_PROGRESS) == 0; ++i) Sleep(100);
  ASSERT_GE(events.Count(DL_CODE_PROGRESS), 1);
  downloader.reset();
  const size_t reported = events.Events().size();
  Sleep(1500);
  EXPECT_EQ(events.Events().size(), reported);
  EXPECT_EQ(events.Count(DL_CODE_SUCCESS) + events.Count(DL_CODE_FAIL), 0);
  EXPECT_FALSE(FileExists(target));
}

}  // namespace
