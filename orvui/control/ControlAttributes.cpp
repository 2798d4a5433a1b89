// The attribute setter of CControlUI and the setters of its looks.

#include <cwchar>

#include "orvui/control/ControlUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/AttrValue.h"

namespace OrvUI {

std::wstring CControlUI::Attribute(const std::wstring&) const { return std::wstring(); }
std::wstring CControlUI::AttributeList() const { return std::wstring(); }

void CControlUI::SetAttr(const std::wstring& name, const std::wstring& value) {
  const wchar_t* v = value.c_str();
  if (name == L"pos") {
    const RECT rc = ReadRect(v);
    SetFloatOrigin(SIZE{rc.left, rc.top});
    SetFixedWidth(rc.right - rc.left);
    SetFixedHeight(rc.bottom - rc.top);
  } else if (name == L"padding") {
    SetPadding(ReadRect(v));
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    SetBkColor(ReadColor(v, true));
  } else if (name == L"bkcolor2") {
    SetBkColor2(ReadColor(v, true));
  } else if (name == L"bkcolor3") {
    SetBkColor3(ReadColor(v, true));
  } else if (name == L"bordercolor") {
    SetBorderColor(ReadColor(v, false));
  } else if (name == L"focusbordercolor") {
    SetFocusBorderColor(ReadColor(v, false));
  } else if (name == L"colorhsl") {
    SetColorHSL(IsTrue(value));
  } else if (name == L"bordersize") {
    if (value.find(L',') == std::wstring::npos) {
      SetBorderSize(ReadInt(v));
    } else {
      SetBorderSize(ReadRect(v));
    }
  } else if (name == L"borderstyle") {
    SetBorderStyle(ReadInt(v));
  } else if (name == L"borderround") {
    SetBorderRound(ReadSize(v));
  } else if (name == L"bkimage") {
    SetBkImage(value);
  } else if (name == L"width") {
    SetFixedWidth(ReadInt(v));
  } else if (name == L"height") {
    SetFixedHeight(ReadInt(v));
  } else if (name == L"minwidth") {
    SetMinWidth(ReadInt(v));
  } else if (name == L"minheight") {
    SetMinHeight(ReadInt(v));
  } else if (name == L"maxwidth") {
    SetMaxWidth(ReadInt(v));
  } else if (name == L"maxheight") {
    SetMaxHeight(ReadInt(v));
  } else if (name == L"name") {
    SetName(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"userdata") {
    SetUserData(value);
  } else if (name == L"tag") {
    SetTag(static_cast<UINT_PTR>(ReadInt(v)));
  } else if (name == L"enabled") {
    SetEnabled(IsTrue(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(IsTrue(value));
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(IsTrue(value));
  } else if (name == L"visible") {
    SetVisible(IsTrue(value));
  } else if (name == L"float") {
    if (value.find(L',') == std::wstring::npos) {
      SetFloat(IsTrue(value));
    } else {
      double fractions[4];
      ReadDoubles(v, fractions, 4);
      SetFloatFractions(fractions);
      SetFloat(true);
    }
  } else if (name == L"shortcut") {
    SetShortcut(value.empty() ? 0 : value[0]);
  } else if (name == L"menu") {
    SetUsesContextMenu(IsTrue(value));
  } else if (name == L"virtualwnd") {
    SetVirtualWnd(value);
  } else {
    StoreCustomAttr(name, value);
  }
}

void CControlUI::ApplyAttrList(const std::wstring& list) {
  const wchar_t* p = list.c_str();
  while (*p != 0) {
    const wchar_t* nameStart = p;
    while (*p != 0 && *p != L'=') ++p;
    if (*p != L'=') return;
    const std::wstring name(nameStart, p);
    ++p;
    if (*p != L'"') return;
    ++p;
    const wchar_t* valueStart = p;
    while (*p != 0 && *p != L'"') ++p;
    if (*p != L'"') return;
    const std::wstring value(valueStart, p);
    ++p;
    SetAttr(name, value);
    // Pairs are separated by exactly one space; anything else ends the list.
    if (*p != L' ') return;
    ++p;
    if (*p == L' ') return;
  }
}

void CControlUI::StoreCustomAttr(const std::wstring& name, const std::wstring& value) {
  if (name.empty() || value.empty()) return;
  customAttrs_.emplace(name, value);  // the first value given wins
}

std::wstring CControlUI::CustomAttr(const std::wstring& name) const {
  const auto it = customAttrs_.find(name);
  return it == customAttrs_.end() ? std::wstring() : it->second;
}

void CControlUI::SetBkColor(DWORD color) {
  if (bkColor_[0] == color) return;
  bkColor_[0] = color;
  Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
  if (bkColor_[1] == color) return;
  bkColor_[1] = color;
  Invalidate();
}

void CControlUI::SetBkColor3(DWORD color) {
  if (bkColor_[2] == color) return;
  bkColor_[2] = color;
  Invalidate();
}

// The image string is kept as written; the render engine parses it, loads
// the image into the manager's cache and draws it.
void CControlUI::SetBkImage(const std::wstring& drawString) {
  if (bkImage_ == drawString) return;
  bkImage_ = drawString;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
  if (borderColor_ == color) return;
  borderColor_ = color;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
  if (focusBorderColor_ == color) return;
  focusBorderColor_ = color;
  Invalidate();
}

void CControlUI::SetColorHSL(bool hsl) {
  if (colorHSL_ == hsl) return;
  colorHSL_ = hsl;
  Invalidate();
}

void CControlUI::SetBorderSize(int width) { SetBorderSize(RECT{width, width, width, width}); }

void CControlUI::SetBorderSize(RECT widths) {
  borderSize_ = widths;
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  borderRound_ = round;
  Invalidate();
}

void CControlUI::SetVirtualWnd(const std::wstring& name) {
  virtualWnd_ = name;
  if (manager_ != nullptr) manager_->UseVirtualWindows();
}

}  // namespace OrvUI
