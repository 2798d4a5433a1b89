// The downloader contract: the kind chosen by DownloadType, the code names,
// and what building a downloader does and does not do.

#include <gtest/gtest.h>

#include <cstdio>

#include "download/CurlDownloader.h"
#include "download/Downloader.h"
#include "download/MTCurlDownloader.h"
#include "tests/download/DownloadTestSupport.h"

using namespace dltest;

namespace {

TEST(DownloaderKindTest, DownloadTypeSelectsTheKind) {
  const struct {
    int type;
    DownloaderKind kind;
  } cases[] = {
      {0, DownloaderKind::SingleStream},  {1, DownloaderKind::SingleStream},
      {2, DownloaderKind::UrlMoniker},    {3, DownloaderKind::MultiPart},
      {4, DownloaderKind::SingleStream},  {-1, DownloaderKind::SingleStream},
      {99, DownloaderKind::SingleStream},
  };
  for (const auto& c : cases) EXPECT_EQ(DownloaderKindFor(c.type), c.kind) << c.type;
}

TEST(DownloaderKindTest, CreateBuildsTheSelectedClass) {
  TempDir dir;
  for (int type : {0, 1, 2, 3, 4, 7}) {
    auto downloader = CreateDownloader(
        type, [](int, double, const wchar_t*) {}, L"http://127.0.0.1:9/x", dir.File(L"pkg.exe"));
    ASSERT_NE(downloader, nullptr);
    const bool multi_part = dynamic_cast<CMTCurlDownloader*>(downloader.get()) != nullptr;
    const bool single = dynamic_cast<CCurlDownloader*>(downloader.get()) != nullptr;
    EXPECT_EQ(multi_part, type == 3) << type;
    EXPECT_EQ(single, type != 3) << type;
  }
}

TEST(DownloaderKindTest, CodesHaveTheirLogNames) {
  const struct {
    int code;
    const wchar_t* name;
  } cases[] = {
      {1001, L"DL_CODE_START"}, {1002, L"DL_CODE_PROGRESS"}, {1003, L"DL_CODE_SUCCESS"},
      {1004, L"DL_CODE_FAIL"},  {1005, L"DL_CODE_RETRY"},
  };
  for (const auto& c : cases) {
    ASSERT_NE(DownloadCodeName(c.code), nullptr) << c.code;
    EXPECT_STREQ(DownloadCodeName(c.code), c.name);
  }
  EXPECT_EQ(DownloadCodeName(1006), nullptr);
  EXPECT_EQ(DownloadCodeName(1000), nullptr);
}

void Touch(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fputs("stale bytes of an earlier process", file);
  fclose(file);
}

// Files of an earlier process are removed when a downloader is built, and
// nothing starts until Start.
TEST(DownloaderKindTest, BuildingRemovesStaleFilesAndStartsNothing) {
  TempDir dir;
  const std::wstring target = dir.File(L"__Package_Kestrima.exe");
  EventRecorder events;
  Touch(target + L".part");
  { CCurlDownloader single(events.Callback(), L"http://127.0.0.1:9/x", target); }
  EXPECT_FALSE(FileExists(target + L".part"));

  for (const wchar_t* suffix : {L"", L"_0", L"_1"}) Touch(target + suffix);
  { CMTCurlDownloader multi(events.Callback(), L"http://127.0.0.1:9/x", target); }
  for (const wchar_t* suffix : {L"", L"_0", L"_1"}) {
    EXPECT_FALSE(FileExists(target + suffix)) << suffix;
  }
  EXPECT_TRUE(events.Events().empty());
}

}  // namespace
