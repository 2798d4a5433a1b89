#include "orvui/layout/TabLayoutUI.h"

#include <algorithm>

#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/AttrValue.h"

namespace OrvUI {

namespace {

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

// Padding as plain ints, so that the arithmetic below stays in one type.
struct Margins {
  int left, top, right, bottom;
};

Margins MarginsOf(const RECT& rc) {
  return Margins{static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
                 static_cast<int>(rc.bottom)};
}

}  // namespace

const wchar_t* CTabLayoutUI::ClassName() const { return L"TabLayout"; }

void* CTabLayoutUI::InterfaceFor(const std::wstring& name) {
  if (name == L"TabLayout") return static_cast<CTabLayoutUI*>(this);
  return CContainerUI::InterfaceFor(name);
}

void CTabLayoutUI::SetAttr(const std::wstring& name, const std::wstring& value) {
  if (name == L"selectedid") SelectPage(ReadInt(value.c_str()), true);
  CContainerUI::SetAttr(name, value);
}

bool CTabLayoutUI::Add(CControlUI* control) {
  if (!CContainerUI::Add(control)) return false;
  if (selected_ == -1 && control->IsVisible()) {
    selected_ = ItemIndex(control);
  } else {
    control->SetVisible(false);
  }
  return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (selected_ == -1 && control->IsVisible()) {
    selected_ = ItemIndex(control);
  } else if (selected_ != -1 && index <= selected_) {
    selected_ += 1;
  } else {
    control->SetVisible(false);
  }
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool keepAlive) {
  const int index = ItemIndex(control);
  if (!CContainerUI::Remove(control, keepAlive)) return false;
  if (index == selected_) {
    if (Count() > 0) {
      selected_ = 0;
      ItemAt(0)->SetVisible(true);
    } else {
      selected_ = -1;
    }
    MarkParentForLayout();
  } else if (index < selected_) {
    selected_ -= 1;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  selected_ = -1;
  CContainerUI::RemoveAll();
  MarkParentForLayout();
}

bool CTabLayoutUI::SelectPage(int index, bool notify) {
  if (index < 0 || index >= Count()) return false;
  if (index == selected_) return true;
  const int old = selected_;
  selected_ = index;
  for (int i = 0; i < Count(); ++i) {
    CControlUI* page = ItemAt(i);
    if (i == index) {
      page->SetVisible(true);
      page->TakeFocus();
    } else {
      page->SetVisible(false);
    }
  }
  MarkParentForLayout();
  if (manager_ != nullptr) {
    manager_->FocusNextTabStop(true);
    if (notify) manager_->RaiseNotify(this, L"tabselect", index, old);
  }
  return true;
}

void CTabLayoutUI::Place(RECT rc, bool invalidate) {
  CControlUI::Place(rc, invalidate);
  const RECT inner = InnerRect();
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(static_cast<int>(i));
      continue;
    }
    if (static_cast<int>(i) != selected_) continue;
    const Margins pad = MarginsOf(child->Padding());
    const SIZE space{
        std::max(0, static_cast<int>(inner.right - inner.left) - pad.left - pad.right),
        std::max(0, static_cast<int>(inner.bottom - inner.top) - pad.top - pad.bottom)};
    SIZE size = child->MeasureSize(space);
    if (size.cx == 0) size.cx = space.cx;
    if (size.cy == 0) size.cy = space.cy;
    size.cx = Clamp(size.cx, child->MinWidth(), child->MaxWidth());
    size.cy = Clamp(size.cy, child->MinHeight(), child->MaxHeight());
    const int left = inner.left + pad.left;
    const int top = inner.top + pad.top;
    child->Place(RECT{left, top, left + size.cx, top + size.cy}, false);
  }
}

}  // namespace OrvUI
