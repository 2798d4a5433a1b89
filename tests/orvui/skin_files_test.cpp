#include <gtest/gtest.h>

#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/XmlDoc.h"
#include "orvui/resources/SkinFiles.h"
#include "tests/orvui/test_support.h"

using OrvUI::CManagerUI;
using OrvUI::CXmlDoc;
using OrvUITest::ReadFileBytes;

namespace {

struct MarkupCase {
  const wchar_t* name;
  const wchar_t* error;  // null when the load succeeds
};

void ExpectMarkupReads(const MarkupCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const MarkupCase& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    CXmlDoc doc;
    const bool loaded = doc.LoadSkinFile(c.name);
    if (c.error == nullptr) {
      EXPECT_TRUE(loaded) << static_cast<const void*>(doc.ErrorMessage());
      EXPECT_TRUE(doc.IsValid());
    } else {
      EXPECT_FALSE(loaded);
      EXPECT_FALSE(doc.IsValid());
      EXPECT_STREQ(doc.ErrorMessage(), c.error);
      EXPECT_STREQ(doc.ErrorLocation(), L"");
    }
  }
}

TEST(SkinFiles, MarkupSizeLimitsFromLooseFiles) {
  OrvUITest::UseLooseSkin(OrvUITest::SkinFolder());
  const MarkupCase cases[] = {
      {L"mainWnd.xml", nullptr},
      {L"limit\\exact.xml", nullptr},  // exactly 4,194,304 bytes
      {L"limit\\over.xml", L"File too large"},
      {L"limit\\empty.xml", L"File is empty"},
      {L"missing.xml", L"Error opening file"},
  };
  ExpectMarkupReads(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(SkinFiles, MarkupSizeLimitsFromTheArchiveInMemory) {
  OrvUITest::UseSkinArchive(ReadFileBytes(OrvUITest::SkinArchivePath()));
  ASSERT_NE(CManagerUI::ArchiveHandle(), nullptr);
  const MarkupCase cases[] = {
      {L"MainWnd.xml", nullptr},
      {L"limit/exact.xml", nullptr},
      {L"limit\\over.xml", L"File too large"},
      {L"limit\\empty.xml", L"File is empty"},
      {L"missing.xml", L"Could not find ziped file"},
  };
  ExpectMarkupReads(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(SkinFiles, LaterWindowsReuseTheArchiveDecodedFirst) {
  OrvUITest::UseSkinArchive(ReadFileBytes(OrvUITest::SkinArchivePath()));
  const OrvUI::CSkinArchive::Handle first = CManagerUI::ArchiveHandle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CManagerUI::ArchiveName(), L"membuffer");
  EXPECT_TRUE(CManagerUI::ArchiveHeld());
  // A second window hands over the archive bytes again; nothing is decoded.
  const unsigned char garbage[] = {1, 2, 3, 4};
  CManagerUI::UseArchiveBytes(garbage, sizeof(garbage));
  EXPECT_EQ(CManagerUI::ArchiveHandle(), first);
  CXmlDoc doc;
  EXPECT_TRUE(doc.LoadSkinFile(L"mainWnd.xml"));
}

TEST(SkinFiles, ArchiveThatCannotBeOpenedFailsEveryRead) {
  OrvUI::CManagerUI::UseArchiveFile(L"", false);
  CManagerUI::SetArchiveIs7z(true);
  const std::vector<unsigned char> bytes = ReadFileBytes(OrvUITest::SkinArchivePath());
  CManagerUI::UseArchiveBytes(bytes.data(), bytes.size() / 2);
  EXPECT_EQ(CManagerUI::ArchiveHandle(), nullptr);
  const MarkupCase cases[] = {{L"mainWnd.xml", L"Error opening zip file"}};
  ExpectMarkupReads(cases, 1);
}

TEST(SkinFiles, ArchiveFilesUnderTheSkinRoot) {
  OrvUITest::UseLooseSkin(OrvUITest::ExeFolder());
  CManagerUI::SetArchiveIs7z(true);

  // Held open for the life of the process.
  CManagerUI::UseArchiveFile(L"skin.7z", true);
  EXPECT_NE(CManagerUI::ArchiveHandle(), nullptr);
  const MarkupCase held[] = {{L"mainWnd.xml", nullptr},
                             {L"nope.xml", L"Could not find ziped file"}};
  ExpectMarkupReads(held, 2);

  // Opened for each read and closed again.
  CManagerUI::UseArchiveFile(L"skin.7z", false);
  EXPECT_EQ(CManagerUI::ArchiveHandle(), nullptr);
  ExpectMarkupReads(held, 2);
  EXPECT_EQ(CManagerUI::ArchiveHandle(), nullptr);

  CManagerUI::UseArchiveFile(L"missing.7z", false);
  const MarkupCase missing[] = {{L"mainWnd.xml", L"Error opening zip file"}};
  ExpectMarkupReads(missing, 1);

  // Only 7z archives are read; with the switch off nothing opens.
  CManagerUI::SetArchiveIs7z(false);
  CManagerUI::UseArchiveFile(L"skin.7z", true);
  ExpectMarkupReads(missing, 1);
  CManagerUI::SetArchiveIs7z(true);
}

TEST(SkinFiles, SkinRootAlwaysEndsInASeparator) {
  const struct {
    const wchar_t* given;
    const wchar_t* stored;
  } cases[] = {{L"C:\\skins", L"C:\\skins\\"},
               {L"C:\\skins\\", L"C:\\skins\\"},
               {L"skins/", L"skins/"},
               {L"", L""}};
  for (const auto& c : cases) {
    CManagerUI::SetSkinRoot(c.given);
    EXPECT_EQ(CManagerUI::SkinRoot(), c.stored);
  }
  CManagerUI::SetAppInstance(nullptr);
  EXPECT_EQ(CManagerUI::AppFolder(), L"");
  CManagerUI::SetAppInstance(GetModuleHandleW(nullptr));
  EXPECT_EQ(CManagerUI::AppFolder(), OrvUITest::ExeFolder());
  EXPECT_EQ(CManagerUI::ResourceModule(), GetModuleHandleW(nullptr));
}

TEST(SkinFiles, ImagesComeFromTheArchiveOrFallBackToPlainPaths) {
  OrvUITest::UseSkinArchive(ReadFileBytes(OrvUITest::SkinArchivePath()));
  const std::vector<unsigned char> bg =
      ReadFileBytes(OrvUITest::SkinFolder() + L"res\\mainWnd\\bg1.png");
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(OrvUI::ReadSkinImage(L"res/mainWnd/bg1.png", nullptr, &bytes));
  EXPECT_TRUE(bytes == bg);

  // Not in the archive: the name is tried as a plain file path.
  const std::wstring plain = OrvUITest::SkinFolder() + L"res\\mainWnd\\bg1.png";
  ASSERT_TRUE(OrvUI::ReadSkinImage(plain.c_str(), nullptr, &bytes));
  EXPECT_TRUE(bytes == bg);
  EXPECT_FALSE(OrvUI::ReadSkinImage(L"res\\nothing.png", nullptr, &bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(SkinFiles, CachedImagesArePremultipliedAndMasked) {
  OrvUITest::UseSkinArchive(ReadFileBytes(OrvUITest::SkinArchivePath()));
  CManagerUI manager;
  const OrvUI::ImageData* image = manager.CacheImage(L"res\\mainWnd\\Cb1.png", L"", 0);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->width, 16);
  ASSERT_EQ(image->height, 16);
  EXPECT_TRUE(image->hasAlpha);
  // Left half: red at alpha 128, stored premultiplied as blue, green, red, alpha.
  const BYTE* left = image->pixels;
  EXPECT_EQ(left[0], 0);
  EXPECT_EQ(left[2], 255 * 128 / 255);
  EXPECT_EQ(left[3], 128);
  const BYTE* right = image->pixels + 8 * 4;
  EXPECT_EQ(right[2], 255);
  EXPECT_EQ(right[3], 255);
  EXPECT_EQ(manager.CachedImage(L"res\\mainWnd\\Cb1.png"), image);
  EXPECT_EQ(manager.CachedImage(L"res/mainWnd/Cb1.png"), nullptr);  // keys are exact

  // A mask equal to the opaque red value clears those pixels only.
  const OrvUI::ImageData* masked = manager.CacheImage(L"res\\mainWnd\\Cb1.png", L"", 0xFFFF0000);
  ASSERT_NE(masked, nullptr);
  EXPECT_EQ(masked->pixels[8 * 4 + 3], 0);
  EXPECT_EQ(masked->pixels[3], 128);

  EXPECT_EQ(manager.CacheImage(L"res\\mainWnd\\none.png", L"", 0), nullptr);
  const OrvUI::ImageData* colour = manager.CacheImage(L"#80FF0000", L"*COLOR*", 0);
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(colour->width, 1);
  EXPECT_EQ(colour->pixels[2], 255 * 128 / 255);
  EXPECT_EQ(colour->pixels[3], 0x80);
}

}  // namespace
