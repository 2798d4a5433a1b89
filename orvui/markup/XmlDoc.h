#pragma once
// An in-place parser for the window markup: the document is one UTF-16
// buffer that parsing cuts into names, values and text by writing
// terminating zeros, plus a table of elements pointing into it.
//
// Thread contract: one thread at a time (the UI thread in practice); nodes
// handed out point into the document and are invalid once it reloads or
// dies. Loading a skin file reads through the process-wide resource
// settings, which are UI-thread only.

#include <cstddef>
#include <string>
#include <vector>

namespace OrvUI {

class CXmlNode;

enum MarkupEncoding { Utf8 = 0, Utf16 = 1, Ansi = 2 };

class CXmlDoc {
 public:
  // Nesting deeper than this is refused, so that the recursive parse and the
  // recursive build and layout that follow it stay well inside the stack.
  static constexpr int kMaxDepth = 256;

  struct Element {
    size_t name = 0;
    size_t child = 0;
    size_t next = 0;
    size_t parent = 0;
    size_t data = 0;
    size_t firstAttr = 0;  // index into the attribute table
    size_t attrCount = 0;
  };
  struct Attr {
    size_t name;
    size_t value;
  };

  CXmlDoc() = default;
  CXmlDoc(const CXmlDoc&) = delete;
  CXmlDoc& operator=(const CXmlDoc&) = delete;

  bool LoadText(const wchar_t* text);
  bool LoadBytes(const void* bytes, size_t size, int encoding = Utf8);
  bool LoadSkinFile(const std::wstring& name, int encoding = Utf8);
  void Release();

  bool IsValid() const { return elements_.size() > 1; }
  CXmlNode Root() const;
  const wchar_t* ErrorMessage() const { return errorMessage_; }
  const wchar_t* ErrorLocation() const { return errorLocation_; }
  void SetPreserveWhitespace(bool preserve) { preserveWhitespace_ = preserve; }

  // Used by CXmlNode.
  const Element& ElementAt(size_t index) const { return elements_[index]; }
  size_t ElementCount() const { return elements_.size(); }
  const Attr& AttrAt(size_t index) const { return attrs_[index]; }
  const wchar_t* TextAt(size_t position) const { return text_.data() + position; }

 private:
  bool Parse();
  bool ParseLevel(wchar_t*& p, size_t parent, int depth);
  bool ParseElement(wchar_t*& p, size_t parent, size_t& previous, int depth);
  wchar_t Decode(wchar_t*& p, wchar_t stop);
  size_t NewElement();
  bool Fail(const wchar_t* message, const wchar_t* at);
  void SetError(const wchar_t* message);

  std::vector<wchar_t> text_;
  std::vector<Element> elements_;
  std::vector<Attr> attrs_;
  bool preserveWhitespace_ = true;
  bool finished_ = false;
  wchar_t errorMessage_[100] = {};
  wchar_t errorLocation_[50] = {};
};

}  // namespace OrvUI
