// libcurl's global clean-up while transfers run: it ends them first and
// returns only when none uses libcurl any more. This program ends libcurl
// for good, so it holds this one test only.

#include <gtest/gtest.h>

#include <memory>

#include "download/CurlDownloader.h"
#include "download/CurlRuntime.h"
#include "download/MTCurlDownloader.h"
#include "tests/download/DownloadTestSupport.h"

using namespace dltest;

namespace {

TEST(CurlRuntimeTest, CleanupEndsRunningTransfersFirst) {
  DlServer server;
  const Package package = server.Create("rt_3m.bin", 3000000, 47);
  server.Rules(R"([{"methods":["GET"],"rate":150000}])");
  TempDir dir;
  EventRecorder single_events, multi_events;
  const std::wstring url = PackageUrl(server.base(), package, 0);
  CCurlDownloader single(single_events.Callback(), url, dir.File(L"single.exe"));
  CMTCurlDownloader multi(multi_events.Callback(), url, dir.File(L"multi.exe"));
  single.Start();
  multi.Start();
  for (int i = 0; i < 300 && (single_events.Count(DL_CODE_PROGRESS) == 0 ||
                              multi_events.Count(DL_CODE_PROGRESS) == 0);
       ++i) {
    Sleep(100);
  }
  ASSERT_GE(single_events.Count(DL_CODE_PROGRESS), 1);
  ASSERT_GE(multi_events.Count(DL_CODE_PROGRESS), 1);

  CurlRuntime::GlobalCleanup();
  // Both runs have ended with a failure before clean-up returned.
  EXPECT_TRUE(single_events.WaitFinals(1, 0));
  EXPECT_TRUE(multi_events.WaitFinals(1, 0));
  EXPECT_EQ(single_events.LastFinal(), DL_CODE_FAIL);
  EXPECT_NE(multi_events.LastFinal(), DL_CODE_SUCCESS);
  EXPECT_LT(server.Requests("GET", package.name).size(), 6u) << "transfers went on retrying";
}

}  // namespace
