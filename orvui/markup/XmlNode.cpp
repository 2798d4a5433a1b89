#include "orvui/markup/XmlNode.h"

#include <cwchar>

#include "orvui/markup/XmlDoc.h"

namespace OrvUI {

CXmlNode CXmlNode::Child() const {
  if (!IsValid()) return CXmlNode();
  return CXmlNode(doc_, doc_->ElementAt(index_).child);
}

CXmlNode CXmlNode::Sibling() const {
  if (!IsValid()) return CXmlNode();
  return CXmlNode(doc_, doc_->ElementAt(index_).next);
}

CXmlNode CXmlNode::Parent() const {
  if (!IsValid()) return CXmlNode();
  return CXmlNode(doc_, doc_->ElementAt(index_).parent);
}

const wchar_t* CXmlNode::Name() const {
  return IsValid() ? doc_->TextAt(doc_->ElementAt(index_).name) : L"";
}

const wchar_t* CXmlNode::Text() const {
  if (!IsValid()) return L"";
  const size_t data = doc_->ElementAt(index_).data;
  return data != 0 ? doc_->TextAt(data) : L"";
}

bool CXmlNode::HasChildElements() const { return IsValid() && doc_->ElementAt(index_).child != 0; }

void CXmlNode::FillCache() const {
  if (cached_ || !IsValid()) return;
  cached_ = true;
  const CXmlDoc::Element& element = doc_->ElementAt(index_);
  attrCount_ = element.attrCount < kMaxAttrs ? element.attrCount : kMaxAttrs;
  for (size_t i = 0; i < attrCount_; ++i) {
    const CXmlDoc::Attr& attr = doc_->AttrAt(element.firstAttr + i);
    attrNames_[i] = attr.name;
    attrValues_[i] = attr.value;
  }
}

bool CXmlNode::HasAttrs() const { return AttributeCount() > 0; }

size_t CXmlNode::AttributeCount() const {
  FillCache();
  return attrCount_;
}

const wchar_t* CXmlNode::AttributeName(size_t index) const {
  if (index >= AttributeCount()) return L"";
  return doc_->TextAt(attrNames_[index]);
}

const wchar_t* CXmlNode::AttributeValue(size_t index) const {
  if (index >= AttributeCount()) return L"";
  return doc_->TextAt(attrValues_[index]);
}

const wchar_t* CXmlNode::Find(const wchar_t* name) const {
  if (name == nullptr) return nullptr;
  const size_t count = AttributeCount();
  for (size_t i = 0; i < count; ++i) {
    if (std::wcscmp(doc_->TextAt(attrNames_[i]), name) == 0) return doc_->TextAt(attrValues_[i]);
  }
  return nullptr;
}

const wchar_t* CXmlNode::AttributeValue(const wchar_t* name) const {
  const wchar_t* value = Find(name);
  return value != nullptr ? value : L"";
}

bool CXmlNode::HasAttribute(const wchar_t* name) const { return Find(name) != nullptr; }

bool CXmlNode::CopyAttributeValue(const wchar_t* name, wchar_t* buffer, size_t capacity) const {
  const wchar_t* value = Find(name);
  if (value == nullptr) return false;
  if (buffer != nullptr && capacity > 0) {
    size_t i = 0;
    for (; i + 1 < capacity && value[i] != 0; ++i) buffer[i] = value[i];
    buffer[i] = 0;
  }
  return true;
}

}  // namespace OrvUI
