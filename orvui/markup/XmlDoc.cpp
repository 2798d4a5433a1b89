#include "orvui/markup/XmlDoc.h"

#include <windows.h>

#include <cwchar>

#include "orvui/markup/XmlNode.h"
#include "orvui/resources/SkinFiles.h"

namespace OrvUI {

namespace {

bool IsSpace(wchar_t c) { return c != 0 && c <= 32; }

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'_' || c == L':';
}

void SkipSpace(wchar_t*& p) {
  while (IsSpace(*p)) ++p;
}

struct Entity {
  const wchar_t* text;
  size_t length;
  wchar_t value;
};

const Entity kEntities[] = {
    {L"&amp;", 5, L'&'},  {L"&lt;", 4, L'<'},    {L"&gt;", 4, L'>'},
    {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

std::vector<wchar_t> Widen(const char* bytes, int size, UINT codePage) {
  std::vector<wchar_t> wide;
  if (size <= 0) return wide;
  const int length = MultiByteToWideChar(codePage, 0, bytes, size, nullptr, 0);
  if (length <= 0) return wide;
  wide.resize(static_cast<size_t>(length));
  MultiByteToWideChar(codePage, 0, bytes, size, wide.data(), length);
  return wide;
}

}  // namespace

void CXmlDoc::Release() {
  text_.clear();
  text_.shrink_to_fit();
  elements_.clear();
  elements_.shrink_to_fit();
  attrs_.clear();
  attrs_.shrink_to_fit();
}

void CXmlDoc::SetError(const wchar_t* message) {
  wcsncpy(errorMessage_, message, 99);
  errorMessage_[99] = 0;
  errorLocation_[0] = 0;
}

bool CXmlDoc::Fail(const wchar_t* message, const wchar_t* at) {
  SetError(message);
  size_t i = 0;
  for (; at != nullptr && i < 49 && at[i] != 0; ++i) errorLocation_[i] = at[i];
  errorLocation_[i] = 0;
  return false;
}

bool CXmlDoc::LoadText(const wchar_t* text) {
  Release();
  if (text == nullptr) return Fail(L"Expected start tag", nullptr);
  text_.assign(text, text + std::wcslen(text) + 1);
  return Parse();
}

bool CXmlDoc::LoadBytes(const void* bytes, size_t size, int encoding) {
  Release();
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  if (b == nullptr || size > 0x7FFFFFFF) {
    SetError(L"Could not read file");
    return false;
  }
  if (encoding == Utf16) {
    if (size < 2 || !((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
      // UTF-16 without a byte-order mark is not accepted.
      SetError(L"Unsupported encoding");
      return false;
    }
    const bool swap = b[0] == 0xFE;
    const size_t count = (size - 2) / 2;
    text_.resize(count + 1);
    for (size_t i = 0; i < count; ++i) {
      const unsigned char lo = b[2 + i * 2 + (swap ? 1 : 0)];
      const unsigned char hi = b[2 + i * 2 + (swap ? 0 : 1)];
      text_[i] = static_cast<wchar_t>(lo | (hi << 8));
    }
    text_[count] = 0;
  } else {
    UINT codePage = encoding == Ansi ? CP_ACP : CP_UTF8;
    if (encoding != Ansi && size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
      b += 3;
      size -= 3;
    }
    text_ = Widen(reinterpret_cast<const char*>(b), static_cast<int>(size), codePage);
    text_.push_back(0);
  }
  return Parse();
}

bool CXmlDoc::LoadSkinFile(const std::wstring& name, int encoding) {
  Release();
  std::vector<unsigned char> bytes;
  const wchar_t* error = L"";
  if (!ReadSkinMarkup(name, &bytes, &error)) {
    SetError(error);
    return false;
  }
  return LoadBytes(bytes.data(), bytes.size(), encoding);
}

CXmlNode CXmlDoc::Root() const { return IsValid() ? CXmlNode(this, 1) : CXmlNode(); }

size_t CXmlDoc::NewElement() {
  if (elements_.size() == elements_.capacity()) {
    elements_.reserve(elements_.capacity() + elements_.capacity() / 2 + 500);
  }
  elements_.emplace_back();
  return elements_.size() - 1;
}

bool CXmlDoc::Parse() {
  elements_.clear();
  attrs_.clear();
  NewElement();  // element 0 is never used
  errorMessage_[0] = 0;
  errorLocation_[0] = 0;
  finished_ = false;
  wchar_t* p = text_.data();
  if (!ParseLevel(p, 0, 0)) {
    Release();
    return false;
  }
  if (!IsValid()) {
    // Text without a single element (blank, or only comments) is no layout.
    Fail(L"Expected start tag", p);
    Release();
    return false;
  }
  return true;
}

bool CXmlDoc::ParseLevel(wchar_t*& p, size_t parent, int depth) {
  if (depth > kMaxDepth) return Fail(L"Elements nested too deeply", p);
  size_t previous = 0;
  for (;;) {
    SkipSpace(p);
    if (*p == 0 && parent <= 1) {
      finished_ = true;
      return true;
    }
    if (*p != L'<') return Fail(L"Expected start tag", p);
    if (p[1] == L'/') return true;  // the caller reads the closing tag
    *p++ = 0;
    SkipSpace(p);
    if (*p == L'!' || *p == L'?') {
      // Comments and declarations are skipped up to their end marker; an
      // unterminated one runs to the end of the text.
      const wchar_t* end = std::wcsstr(p, *p == L'!' ? L"->" : L"?>");
      p = end != nullptr ? const_cast<wchar_t*>(end) + 2 : p + std::wcslen(p);
      continue;
    }
    if (!ParseElement(p, parent, previous, depth)) return false;
    if (finished_) return true;
  }
}

bool CXmlDoc::ParseElement(wchar_t*& p, size_t parent, size_t& previous, int depth) {
  const size_t index = NewElement();
  Element& created = elements_[index];
  created.name = static_cast<size_t>(p - text_.data());
  created.parent = parent;
  created.firstAttr = attrs_.size();
  if (previous != 0) {
    elements_[previous].next = index;
  } else if (parent != 0) {
    elements_[parent].child = index;
  }
  previous = index;

  const wchar_t* nameStart = p;
  while (IsNameChar(*p)) ++p;
  if (*p == 0) return Fail(L"Error parsing element name", p);
  wchar_t* nameEnd = p;
  const size_t nameLength = static_cast<size_t>(nameEnd - nameStart);

  for (;;) {
    SkipSpace(p);
    if (*p == 0 || *p == L'/' || *p == L'>') break;
    wchar_t* attrName = p;
    while (IsNameChar(*p)) ++p;
    wchar_t* attrNameEnd = p;
    SkipSpace(p);
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    *attrNameEnd = 0;
    *p++ = 0;
    SkipSpace(p);
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    wchar_t* value = ++p;
    if (Decode(p, L'"') != L'"') return Fail(L"Error while parsing attribute string", p);
    *p++ = 0;
    attrs_.push_back(Attr{static_cast<size_t>(attrName - text_.data()),
                          static_cast<size_t>(value - text_.data())});
    ++elements_[index].attrCount;
  }

  if (p[0] == L'/' && p[1] == L'>') {
    elements_[index].data = static_cast<size_t>(p - text_.data());
    *p = 0;
    p += 2;
    *nameEnd = 0;
    return true;
  }
  if (*p != L'>') return Fail(L"Expected start-tag closing", p);
  *p++ = 0;
  *nameEnd = 0;
  elements_[index].data = static_cast<size_t>(p - text_.data());
  wchar_t c = Decode(p, L'<');
  if (c == 0 && parent <= 1) {
    finished_ = true;
    return true;
  }
  if (c != L'<') return Fail(L"Expected end-tag start", p);
  if (p[1] != L'/') {
    if (!ParseLevel(p, index, depth + 1)) return false;
    if (finished_) return true;
  }
  // p is at "</".
  *p = 0;
  p += 2;
  SkipSpace(p);
  if (std::wcsncmp(p, text_.data() + elements_[index].name, nameLength) != 0) {
    return Fail(L"Unmatched closing tag", p);
  }
  p += nameLength;
  SkipSpace(p);
  if (*p != L'>') return Fail(L"Unmatched closing tag", p);
  ++p;
  return true;
}

wchar_t CXmlDoc::Decode(wchar_t*& p, wchar_t stop) {
  wchar_t* dest = p;
  while (*p != 0 && *p != stop) {
    if (*p == L'&') {
      bool replaced = false;
      for (const Entity& entity : kEntities) {
        if (std::wcsncmp(p, entity.text, entity.length) == 0) {
          *dest++ = entity.value;
          p += entity.length;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    if (!preserveWhitespace_ && IsSpace(*p)) {
      *dest++ = *p++;
      while (IsSpace(*p)) ++p;
      continue;
    }
    *dest++ = *p++;
  }
  const wchar_t found = *p;
  // When decoding shortened the text it is cut here; otherwise the stop
  // character itself is overwritten by whoever consumes it.
  if (dest < p) *dest = 0;
  return found;
}

}  // namespace OrvUI
