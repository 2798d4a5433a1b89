#pragma once
// A small value naming one element of a CXmlDoc. Valid only while its
// document lives unchanged; one thread at a time.

#include <cstddef>
#include <string>

namespace OrvUI {

class CXmlDoc;

class CXmlNode {
 public:
  static constexpr size_t kMaxAttrs = 64;

  CXmlNode() = default;
  CXmlNode(const CXmlDoc* doc, size_t index) : doc_(doc), index_(index) {}

  bool IsValid() const { return doc_ != nullptr && index_ != 0; }
  CXmlNode Child() const;
  CXmlNode Sibling() const;
  CXmlNode Parent() const;
  const wchar_t* Name() const;
  const wchar_t* Text() const;
  bool HasChildElements() const;
  bool HasAttrs() const;
  size_t AttributeCount() const;
  const wchar_t* AttributeName(size_t index) const;
  const wchar_t* AttributeValue(size_t index) const;
  // Exact, case-sensitive match of the first attribute with that name;
  // an empty string when there is none.
  const wchar_t* AttributeValue(const wchar_t* name) const;
  bool HasAttribute(const wchar_t* name) const;
  // Copies the value into buffer (capacity counts the terminating zero,
  // which is always written); false when the attribute does not exist.
  bool CopyAttributeValue(const wchar_t* name, wchar_t* buffer, size_t capacity) const;

 private:
  void FillCache() const;
  const wchar_t* Find(const wchar_t* name) const;

  const CXmlDoc* doc_ = nullptr;
  size_t index_ = 0;
  // Filled on first use; attributes beyond the 64th are not seen.
  mutable bool cached_ = false;
  mutable size_t attrCount_ = 0;
  mutable size_t attrNames_[kMaxAttrs] = {};
  mutable size_t attrValues_[kMaxAttrs] = {};
};

}  // namespace OrvUI
