// The manager's tables: fonts, images, default attribute lists, window
// attributes and the process-wide string table.

#include <cwchar>

#include "orvui/manager/ManagerUI.h"
#include "orvui/manager/ProcessState.h"
#include "orvui/markup/AttrValue.h"
#include "orvui/render/DrawEngine.h"

namespace OrvUI {

namespace {

std::wstring IdKey(int id) { return std::to_wstring(id); }

void DeleteFontEntry(FontData& entry) {
  if (entry.handle != nullptr) DeleteObject(entry.handle);
  entry.handle = nullptr;
}

BYTE ToByte(int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

bool SameNoCase(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

}  // namespace

void CManagerUI::ClearTables() {
  for (auto& font : fonts_) DeleteFontEntry(font.second);
  fonts_.clear();
  DropAllImages();
  tagDefaults_.clear();
  windowCustomAttrs_.clear();
  DeleteFontEntry(defaultFont_);
  defaultFont_ = FontData();
}

HFONT CManagerUI::CreateFontFor(FontData& entry, const std::wstring& face, int size, bool bold,
                                bool underline, bool italic) {
  LOGFONTW lf = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  const std::wstring name = face.substr(0, 31);
  wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = -size;
  if (bold) lf.lfWeight += FW_BOLD;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfItalic = italic ? TRUE : FALSE;
  HFONT font = CreateFontIndirectW(&lf);
  if (font == nullptr) return nullptr;
  entry.handle = font;
  entry.face = name;
  entry.size = size;
  entry.bold = bold;
  entry.underline = underline;
  entry.italic = italic;
  entry.measured = false;
  Measure(entry);
  return font;
}

void CManagerUI::Measure(FontData& entry) {
  if (entry.measured || windowDC_ == nullptr || entry.handle == nullptr) return;
  HGDIOBJ old = SelectObject(windowDC_, entry.handle);
  entry.measured = GetTextMetricsW(windowDC_, &entry.metrics) != FALSE;
  SelectObject(windowDC_, old);
}

HFONT CManagerUI::DefineFont(int id, const std::wstring& face, int size, bool bold, bool underline,
                             bool italic, bool shared) {
  FontData entry;
  if (CreateFontFor(entry, face, size, bold, underline, italic) == nullptr) return nullptr;
  auto& table = (shared || sharedResources_) ? Process().fonts : fonts_;
  const std::wstring key = IdKey(id);
  const auto it = table.find(key);
  if (it != table.end()) DeleteFontEntry(it->second);
  table[key] = entry;
  return entry.handle;
}

HFONT CManagerUI::DefineDefaultFont(const std::wstring& face, int size, bool bold, bool underline,
                                    bool italic, bool shared) {
  FontData entry;
  if (CreateFontFor(entry, face, size, bold, underline, italic) == nullptr) return nullptr;
  FontData& target = (shared || sharedResources_) ? Process().defaultFont : defaultFont_;
  DeleteFontEntry(target);
  target = entry;
  return entry.handle;
}

const FontData* CManagerUI::FontEntry(int id) {
  const std::wstring key = IdKey(id);
  auto it = fonts_.find(key);
  if (it == fonts_.end()) {
    it = Process().fonts.find(key);
    if (it == Process().fonts.end()) return DefaultFontEntry();
  }
  Measure(it->second);
  return &it->second;
}

HFONT CManagerUI::FontHandle(int id) {
  const FontData* entry = FontEntry(id);
  return entry != nullptr ? entry->handle : nullptr;
}

const FontData* CManagerUI::DefaultFontEntry() {
  FontData& entry = defaultFont_.face.empty() ? Process().defaultFont : defaultFont_;
  Measure(entry);
  return &entry;
}

const ImageData* CManagerUI::CacheImage(const std::wstring& name, const std::wstring& resourceType,
                                        DWORD mask, bool usesHSL, bool shared) {
  if (name.empty()) return nullptr;
  const wchar_t* source = name.c_str();
  if (!resourceType.empty() && name[0] >= L'0' && name[0] <= L'9') {
    source = MAKEINTRESOURCEW(static_cast<WORD>(ReadInt(name.c_str())));
  }
  ImageData* image =
      CDrawEngine::DecodeImage(source, resourceType.empty() ? nullptr : resourceType.c_str(), mask);
  if (image == nullptr) return nullptr;
  image->resourceType = resourceType;
  image->mask = mask;
  image->usesHSL = usesHSL;
  if (usesHSL) {
    image->sourcePixels.assign(
        image->pixels,
        image->pixels + static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 4);
  }
  auto& table = (shared || sharedResources_) ? Process().images : images_;
  const auto it = table.find(name);
  if (it != table.end()) CDrawEngine::ReleaseImage(it->second);
  table[name] = image;
  return image;
}

const ImageData* CManagerUI::CachedImage(const std::wstring& name) const {
  auto it = images_.find(name);
  if (it != images_.end()) return it->second;
  it = Process().images.find(name);
  return it != Process().images.end() ? it->second : nullptr;
}

const ImageData* CManagerUI::FindOrLoadImage(const std::wstring& name,
                                             const std::wstring& resourceType, DWORD mask,
                                             bool usesHSL) {
  if (const ImageData* cached = CachedImage(name)) return cached;
  return CacheImage(name, resourceType, mask, usesHSL, false);
}

bool CManagerUI::DropImage(const std::wstring& name) {
  const auto it = images_.find(name);
  if (it == images_.end()) return false;
  CDrawEngine::ReleaseImage(it->second);
  images_.erase(it);
  return true;
}

void CManagerUI::DropAllImages() {
  for (auto& image : images_) CDrawEngine::ReleaseImage(image.second);
  images_.clear();
}

void CManagerUI::SetTagDefaults(const std::wstring& tag, const std::wstring& list, bool shared) {
  auto& table = (shared || sharedResources_) ? Process().tagDefaults : tagDefaults_;
  table[tag] = list;
}

std::wstring CManagerUI::TagDefaults(const std::wstring& tag) const {
  auto it = tagDefaults_.find(tag);
  if (it != tagDefaults_.end()) return it->second;
  it = Process().tagDefaults.find(tag);
  return it != Process().tagDefaults.end() ? it->second : std::wstring();
}

void CManagerUI::SetWindowAttr(const std::wstring& name, const std::wstring& value) {
  const wchar_t* v = value.c_str();
  if (SameNoCase(name, L"size")) {
    initSize_ = ReadSize(v);
    if (window_ != nullptr && root_ == nullptr) {
      SetWindowPos(window_, nullptr, 0, 0, initSize_.cx, initSize_.cy,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
  } else if (SameNoCase(name, L"sizebox")) {
    sizeBox_ = ReadRect(v);
  } else if (SameNoCase(name, L"caption")) {
    caption_ = ReadRect(v);
  } else if (SameNoCase(name, L"roundcorner")) {
    roundCorner_ = ReadSize(v);
  } else if (SameNoCase(name, L"mininfo")) {
    minInfo_ = ReadSize(v);
  } else if (SameNoCase(name, L"maxinfo")) {
    maxInfo_ = ReadSize(v);
  } else if (SameNoCase(name, L"showdirty")) {
    showDirty_ = IsTrueNoCase(value);
  } else if (name == L"noactivate") {
    noActivate_ = IsTrueNoCase(value);
  } else if (SameNoCase(name, L"opacity")) {
    opacity_ = ToByte(ReadInt(v));
  } else if (name == L"layeredopacity") {
    layeredOpacity_ = ToByte(ReadInt(v));
  } else if (name == L"layeredimage") {
    layeredImage_ = value;
  } else if (SameNoCase(name, L"disabledfontcolor")) {
    disabledFontColor_ = ReadColor(v, false);
  } else if (SameNoCase(name, L"defaultfontcolor")) {
    defaultFontColor_ = ReadColor(v, false);
  } else if (SameNoCase(name, L"linkfontcolor")) {
    linkFontColor_ = ReadColor(v, false);
  } else if (SameNoCase(name, L"linkhoverfontcolor")) {
    linkHoverFontColor_ = ReadColor(v, false);
  } else if (SameNoCase(name, L"selectedcolor")) {
    selectedColor_ = ReadColor(v, false);
  } else {
    SetWindowCustomAttr(name, value);
  }
}

void CManagerUI::SetWindowCustomAttr(const std::wstring& name, const std::wstring& value) {
  if (!name.empty()) windowCustomAttrs_[name] = value;
}

std::wstring CManagerUI::WindowCustomAttr(const std::wstring& name) const {
  const auto it = windowCustomAttrs_.find(name);
  return it == windowCustomAttrs_.end() ? std::wstring() : it->second;
}

void CManagerUI::SetLanguageString(int id, const std::wstring& text) {
  Process().languageStrings[IdKey(id)] = text;
}

const std::wstring* CManagerUI::LanguageString(int id) {
  const auto& table = Process().languageStrings;
  const auto it = table.find(IdKey(id));
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace OrvUI
