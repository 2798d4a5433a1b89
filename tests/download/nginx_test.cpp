// Both libcurl downloaders against other sources than the test server:
// nginx on loopback behind one redirect, and a local file address.

#include <gtest/gtest.h>

#include <memory>

#include "download/Downloader.h"
#include "tests/download/DownloadTestSupport.h"

using namespace dltest;

namespace {

class NginxTest : public testing::TestWithParam<int> {};

TEST_P(NginxTest, FetchesAndVerifiesThePackage) {
  const std::string nginx = Env("NGINX_URL");
  ASSERT_FALSE(nginx.empty()) << "NGINX_URL is not set: harness not running";
  DlServer server;  // writes the packages nginx serves
  const Package package = server.Create("nginx_21m.bin", 20971521, 43);
  TempDir dir;
  const std::wstring target = dir.File(L"__Package_Kestrima.exe");
  EventRecorder events;
  auto downloader =
      CreateDownloader(GetParam(), events.Callback(),
                       Wide(nginx + "/r/files/" + package.md5 + "/" + package.name), target);
  events.RestartOnRetry(downloader.get());
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, 240));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(Md5Of(target), package.md5);
  EXPECT_TRUE(server.Log().empty()) << "the download went to the test server, not nginx";
}

INSTANTIATE_TEST_SUITE_P(Kinds, NginxTest, testing::Values(1, 3),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == 3 ? std::string("multi_part")
                                                  : std::string("single_stream");
                         });

// A "file:///" address has no status code; the single-stream downloader's
// second probe takes its length all the same.
TEST(LocalFileTest, SingleStreamFetchesAFileAddress) {
  DlServer server;
  const Package package = server.Create("nginx_21m.bin", 20971521, 43);
  ASSERT_EQ(package.path.substr(0, 1), "/");
  TempDir dir;
  const std::wstring target = dir.File(L"__Package_Kestrima.exe");
  EventRecorder events;
  auto downloader =
      CreateDownloader(1, events.Callback(), Wide("file:///Z:" + package.path), target);
  downloader->Start();
  ASSERT_TRUE(events.WaitFinals(1, 240));
  EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(Md5Of(target), package.md5);
}

}  // namespace
