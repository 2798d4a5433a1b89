#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "orvui/resources/SkinArchive.h"
#include "tests/orvui/test_support.h"

using OrvUI::CSkinArchive;
using OrvUITest::ReadFileBytes;

namespace {

class SkinArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadFileBytes(OrvUITest::SkinArchivePath());
    ASSERT_GT(bytes_.size(), 100u) << "the build packs skin.7z next to the test";
  }

  // Every entry an archive exposes must hold exactly the bytes of its file.
  void ExpectEntriesMatchFiles(CSkinArchive::Handle archive) {
    for (const OrvUI::SkinArchiveEntry& entry : archive->Entries()) {
      std::wstring path = OrvUITest::SkinFolder() + entry.name;
      for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
      }
      const std::vector<unsigned char> file = ReadFileBytes(path);
      EXPECT_EQ(entry.Size(), file.size()) << entry.name.c_str();
      EXPECT_TRUE(entry.bytes == file) << entry.name.c_str();
    }
  }

  std::vector<unsigned char> bytes_;
};

TEST_F(SkinArchiveTest, LookupIgnoresLetterCaseAndSeparatorsButNotLength) {
  CSkinArchive::Handle archive = CSkinArchive::OpenBytes(bytes_.data(), bytes_.size());
  ASSERT_NE(archive, nullptr);
  // The caller's buffer may go away at once: the archive keeps its own copy.
  std::fill(bytes_.begin(), bytes_.end(), 0);

  struct Case {
    const wchar_t* request;
    const wchar_t* file;  // null when nothing may match
  };
  const Case cases[] = {
      {L"mainWnd.xml", L"mainWnd.xml"},
      {L"MainWnd.xml", L"mainWnd.xml"},
      {L"MAINWND.XML", L"mainWnd.xml"},
      {L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg1.png"},
      {L"res/mainWnd/bg1.png", L"res\\mainWnd\\bg1.png"},
      {L"Res\\MainWnd/Cb1.PNG", L"res\\mainWnd\\Cb1.png"},
      {L"part\\row.xml", L"part\\row.xml"},
      {L"mainWnd.xm", nullptr},
      {L"mainWnd.xmll", nullptr},
      {L"\\mainWnd.xml", nullptr},
      {L"res", nullptr},  // directories are not entries
      {L"res\\mainWnd", nullptr},
      {L"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "request " << std::wstring(c.request).size());
    int index = -1;
    uint64_t size = 0;
    const unsigned found = CSkinArchive::FindEntry(archive, c.request, &index, &size);
    if (c.file == nullptr) {
      EXPECT_EQ(found, CSkinArchive::kFailed);
      continue;
    }
    ASSERT_EQ(found, CSkinArchive::kOk);
    const std::vector<unsigned char> expected = ReadFileBytes(OrvUITest::SkinFolder() + c.file);
    ASSERT_EQ(size, expected.size());
    std::vector<unsigned char> buffer(static_cast<size_t>(size));
    ASSERT_EQ(CSkinArchive::ReadEntry(archive, index, buffer.data()), CSkinArchive::kOk);
    EXPECT_TRUE(buffer == expected);
  }
  EXPECT_EQ(CSkinArchive::CloseArchive(archive), CSkinArchive::kOk);
}

TEST_F(SkinArchiveTest, StoresEveryFileWithSlashSeparatedNames) {
  CSkinArchive::Handle archive = CSkinArchive::OpenBytes(bytes_.data(), bytes_.size());
  ASSERT_NE(archive, nullptr);
  bool sawNested = false;
  for (const OrvUI::SkinArchiveEntry& entry : archive->Entries()) {
    EXPECT_EQ(entry.name.find(L'\\'), std::wstring::npos);
    EXPECT_EQ(entry.nameLength, static_cast<int>(entry.name.size()) + 1);
    if (entry.name == L"res/mainWnd/bg1.png") sawNested = true;
  }
  EXPECT_TRUE(sawNested);
  ExpectEntriesMatchFiles(archive);
  CSkinArchive::CloseArchive(archive);
}

TEST_F(SkinArchiveTest, NullHandlesNamesAndUnknownIndexesFail) {
  CSkinArchive::Handle archive = CSkinArchive::OpenBytes(bytes_.data(), bytes_.size());
  ASSERT_NE(archive, nullptr);
  int index = 0;
  uint64_t size = 0;
  unsigned char byte = 0;
  EXPECT_EQ(CSkinArchive::FindEntry(nullptr, L"mainWnd.xml", &index, &size), 0x10000u);
  EXPECT_EQ(CSkinArchive::FindEntry(archive, nullptr, &index, &size), 0x10000u);
  EXPECT_EQ(CSkinArchive::ReadEntry(nullptr, 0, &byte), 0x10000u);
  EXPECT_EQ(CSkinArchive::ReadEntry(archive, 100000, &byte), 0x10000u);
  EXPECT_EQ(CSkinArchive::CloseArchive(nullptr), 0x10000u);
  EXPECT_EQ(CSkinArchive::OpenBytes(nullptr, 10), nullptr);
  EXPECT_EQ(CSkinArchive::OpenFile(L"Z:\\no\\such\\skin.7z"), nullptr);
  CSkinArchive::CloseArchive(archive);
}

TEST_F(SkinArchiveTest, OpensTheArchiveFileByPath) {
  CSkinArchive::Handle archive = CSkinArchive::OpenFile(OrvUITest::SkinArchivePath().c_str());
  ASSERT_NE(archive, nullptr);
  int index = 0;
  uint64_t size = 0;
  EXPECT_EQ(CSkinArchive::FindEntry(archive, L"limit\\exact.xml", &index, &size), 0u);
  EXPECT_EQ(size, 4194304u);
  CSkinArchive::CloseArchive(archive);
}

// Truncated and damaged archives either fail to open or expose only entries
// whose bytes are intact; they never crash or hand out wrong bytes.
TEST_F(SkinArchiveTest, TruncatedOrDamagedArchivesNeverYieldWrongBytes) {
  const size_t size = bytes_.size();
  const size_t cuts[] = {1, 6, 31, 32, 33, size / 3, size / 2, size - 100, size - 1};
  for (size_t cut : cuts) {
    CSkinArchive::Handle archive = CSkinArchive::OpenBytes(bytes_.data(), cut);
    EXPECT_EQ(archive, nullptr) << "cut at " << cut;
    if (archive != nullptr) CSkinArchive::CloseArchive(archive);
  }
  std::mt19937 random(4711);
  int opened = 0;
  for (int run = 0; run < 200; ++run) {
    std::vector<unsigned char> damaged = bytes_;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      damaged[32 + random() % (damaged.size() - 32)] ^=
          static_cast<unsigned char>(1 + random() % 255);
    }
    CSkinArchive::Handle archive = CSkinArchive::OpenBytes(damaged.data(), damaged.size());
    if (archive == nullptr) continue;
    ++opened;
    ExpectEntriesMatchFiles(archive);
    CSkinArchive::CloseArchive(archive);
  }
  RecordProperty("damaged_archives_opened", opened);
}

}  // namespace
