#include <gtest/gtest.h>

#include <string>

#include "orvui/markup/XmlDoc.h"
#include "orvui/markup/XmlNode.h"

using OrvUI::CXmlDoc;
using OrvUI::CXmlNode;

namespace {

TEST(XmlDoc, MalformedMarkupEndsInItsMessageAndNoTree) {
  const struct {
    const wchar_t* text;
    const wchar_t* message;
    const wchar_t* location;
  } cases[] = {
      {L"hello", L"Expected start tag", L"hello"},
      {L"  \r\n ", L"Expected start tag", L""},
      {L"<!-- only a comment -->", L"Expected start tag", L""},
      {L"<Window><a/>junk</Window>", L"Expected start tag", L"junk</Window>"},
      {L"<Window><Label><Label/>", L"Expected start tag", L""},
      {L"<Window", L"Error parsing element name", L""},
      {L"<Window size>", L"Error while parsing attributes", L">"},
      {L"<Window size=10>", L"Expected attribute value", L"10>"},
      {L"<Window size='10'>", L"Expected attribute value", L"'10'>"},
      {L"<Window size=\"10", L"Error while parsing attribute string", L""},
      {L"<Window size=\"10\"/ >", L"Expected start-tag closing", L"/ >"},
      {L"<Window><Label text=\"a\"></Lable></Window>", L"Unmatched closing tag",
       L"Lable></Window>"},
      {L"<Window><Label></Label </Window>", L"Unmatched closing tag", L"</Window>"},
      {L"<Window><Box><Label>text", L"Expected end-tag start", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)));
    CXmlDoc doc;
    EXPECT_FALSE(doc.LoadText(c.text));
    EXPECT_FALSE(doc.IsValid());
    EXPECT_FALSE(doc.Root().IsValid());
    EXPECT_STREQ(doc.ErrorMessage(), c.message);
    EXPECT_STREQ(doc.ErrorLocation(), c.location);
  }
}

TEST(XmlDoc, ErrorLocationIsCutAt49Characters) {
  CXmlDoc doc;
  const std::wstring tail(80, L'z');
  EXPECT_FALSE(doc.LoadText((L"<a><b/>" + tail + L"</a>").c_str()));
  EXPECT_EQ(std::wstring(doc.ErrorLocation()), tail.substr(0, 49));
}

TEST(XmlDoc, CommentsDeclarationsAndBothEmptyElementFormsParseAlike) {
  CXmlDoc doc;
  ASSERT_TRUE(
      doc.LoadText(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                   L"<Window size=\"1,2\">\r\n  <!-- 标题栏 -->\r\n"
                   L"  <Label name=\"a\" />\r\n  <Label name=\"b\"></Label>\r\n"
                   L"  <!-- second > comment -->\r\n  <Box><Inner x=\"1\"/></Box>\r\n</Window>"));
  const CXmlNode root = doc.Root();
  EXPECT_STREQ(root.Name(), L"Window");
  EXPECT_STREQ(root.AttributeValue(L"size"), L"1,2");
  const CXmlNode a = root.Child();
  const CXmlNode b = a.Sibling();
  const CXmlNode box = b.Sibling();
  EXPECT_STREQ(a.Name(), L"Label");
  EXPECT_STREQ(b.Name(), L"Label");
  EXPECT_STREQ(a.Text(), L"");
  EXPECT_STREQ(b.Text(), L"");
  EXPECT_FALSE(a.HasChildElements());
  EXPECT_FALSE(b.HasChildElements());
  EXPECT_STREQ(a.AttributeValue(L"name"), L"a");
  EXPECT_STREQ(b.AttributeValue(L"name"), L"b");
  EXPECT_STREQ(box.Name(), L"Box");
  EXPECT_TRUE(box.HasChildElements());
  EXPECT_STREQ(box.Child().Name(), L"Inner");
  EXPECT_STREQ(box.Child().Parent().Name(), L"Box");
  EXPECT_FALSE(box.Sibling().IsValid());
}

TEST(XmlDoc, OnlyTheFirst64AttributesAreSeen) {
  std::wstring text = L"<Control";
  for (int i = 1; i <= 65; ++i) {
    text += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  }
  text += L"/>";
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadText(text.c_str()));
  const CXmlNode node = doc.Root();
  EXPECT_EQ(node.AttributeCount(), 64u);
  EXPECT_STREQ(node.AttributeName(63), L"a64");
  EXPECT_STREQ(node.AttributeValue(63), L"v64");
  EXPECT_STREQ(node.AttributeValue(L"a64"), L"v64");
  EXPECT_FALSE(node.HasAttribute(L"a65"));
  EXPECT_STREQ(node.AttributeValue(L"a65"), L"");
  EXPECT_STREQ(node.AttributeName(64), L"");
}

TEST(XmlDoc, AttributeLookupIsExactAndCopiesAreBounded) {
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadText(L"<c Name=\"upper\" name=\"lower\" name2 = \"spaced\" empty=\"\"/>"));
  const CXmlNode node = doc.Root();
  EXPECT_STREQ(node.AttributeValue(L"name"), L"lower");
  EXPECT_STREQ(node.AttributeValue(L"Name"), L"upper");
  EXPECT_STREQ(node.AttributeValue(L"name2"), L"spaced");
  EXPECT_TRUE(node.HasAttribute(L"empty"));
  wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_TRUE(node.CopyAttributeValue(L"name", buffer, 4));
  EXPECT_STREQ(buffer, L"low");
  EXPECT_FALSE(node.CopyAttributeValue(L"missing", buffer, 4));
}

TEST(XmlDoc, EntitiesDecodeOnlyTheFiveKnownOnes) {
  CXmlDoc doc;
  ASSERT_TRUE(
      doc.LoadText(L"<a v=\"x &amp; y &lt;&gt; &quot;q&quot; &apos;s&apos; &nbsp; &amp\">"
                   L"t &amp;&amp; &lt;b&gt; &#65;</a>"));
  EXPECT_STREQ(doc.Root().AttributeValue(L"v"), L"x & y <> \"q\" 's' &nbsp; &amp");
  EXPECT_STREQ(doc.Root().Text(), L"t && <b> &#65;");
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian, bool mark) {
  std::string bytes;
  if (mark) bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const char lo = static_cast<char>(c & 0xFF);
    const char hi = static_cast<char>((c >> 8) & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST(XmlDoc, ByteEncodingsAndByteOrderMarks) {
  const std::wstring markup = L"<a t=\"\u6807\u9898\"/>";
  const std::string utf8 = "<a t=\"\xE6\xA0\x87\xE9\xA2\x98\"/>";
  const struct {
    std::string bytes;
    int encoding;
    bool ok;
  } cases[] = {
      {utf8, OrvUI::Utf8, true},
      {"\xEF\xBB\xBF" + utf8, OrvUI::Utf8, true},
      {Utf16Bytes(markup, false, true), OrvUI::Utf16, true},
      {Utf16Bytes(markup, true, true), OrvUI::Utf16, true},
      {Utf16Bytes(markup, false, false), OrvUI::Utf16, false},
  };
  for (const auto& c : cases) {
    CXmlDoc doc;
    EXPECT_EQ(doc.LoadBytes(c.bytes.data(), c.bytes.size(), c.encoding), c.ok);
    if (c.ok) {
      EXPECT_EQ(std::wstring(doc.Root().AttributeValue(L"t")), L"\u6807\u9898");
    }
  }
  CXmlDoc doc;
  const std::string ansi = "<a t=\"plain\"/>";
  ASSERT_TRUE(doc.LoadBytes(ansi.data(), ansi.size(), OrvUI::Ansi));
  EXPECT_STREQ(doc.Root().AttributeValue(L"t"), L"plain");
}

TEST(XmlDoc, DeepNestingIsRefusedWithAClearError) {
  std::wstring ok;
  std::wstring deep;
  for (int i = 0; i < CXmlDoc::kMaxDepth; ++i) ok += L"<a>";
  for (int i = 0; i < CXmlDoc::kMaxDepth; ++i) ok += L"</a>";
  for (int i = 0; i < 100000; ++i) deep += L"<a>";
  CXmlDoc doc;
  EXPECT_TRUE(doc.LoadText(ok.c_str()));
  EXPECT_FALSE(doc.LoadText(deep.c_str()));
  EXPECT_STREQ(doc.ErrorMessage(), L"Elements nested too deeply");
  EXPECT_FALSE(doc.IsValid());
}

TEST(XmlDoc, ManySiblingsKeepTheirOrderAcrossTableGrowth) {
  std::wstring text = L"<root>";
  for (int i = 0; i < 3000; ++i) text += L"<c i=\"" + std::to_wstring(i) + L"\"/>";
  text += L"</root>";
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadText(text.c_str()));
  int expected = 0;
  for (CXmlNode n = doc.Root().Child(); n.IsValid(); n = n.Sibling()) {
    ASSERT_EQ(std::wstring(n.AttributeValue(L"i")), std::to_wstring(expected));
    ++expected;
  }
  EXPECT_EQ(expected, 3000);
}

TEST(XmlDoc, ReloadingReplacesThePreviousDocument) {
  CXmlDoc doc;
  ASSERT_TRUE(doc.LoadText(L"<first/>"));
  EXPECT_FALSE(doc.LoadText(L"<second"));
  EXPECT_FALSE(doc.IsValid());
  ASSERT_TRUE(doc.LoadText(L"<third/>"));
  EXPECT_STREQ(doc.Root().Name(), L"third");
  EXPECT_STREQ(doc.ErrorMessage(), L"");
}

}  // namespace
