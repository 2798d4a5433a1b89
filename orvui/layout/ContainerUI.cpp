#include "orvui/layout/ContainerUI.h"

#include <algorithm>

#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/AttrValue.h"

namespace OrvUI {

namespace {

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

// Keeps painting of one area inside a clip rectangle and restores the
// previous clip afterwards.
class ClipScope {
 public:
  ClipScope(HDC hdc, const RECT& rc) : hdc_(hdc) {
    if (hdc_ == nullptr) return;
    saved_ = SaveDC(hdc_);
    IntersectClipRect(hdc_, rc.left, rc.top, rc.right, rc.bottom);
  }
  ~ClipScope() {
    if (hdc_ != nullptr && saved_ != 0) RestoreDC(hdc_, saved_);
  }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  HDC hdc_;
  int saved_ = 0;
};

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children die with their container, at once.
  delayedDestroy_ = false;
  RemoveAll();
}

const wchar_t* CContainerUI::ClassName() const { return L"Container"; }

void* CContainerUI::InterfaceFor(const std::wstring& name) {
  if (name == L"IContainer") return static_cast<IContainerUI*>(this);
  if (name == L"Container") return static_cast<CContainerUI*>(this);
  return CControlUI::InterfaceFor(name);
}

CControlUI* CContainerUI::ItemAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

int CContainerUI::ItemIndex(CControlUI* control) const {
  const auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool CContainerUI::MoveItem(CControlUI* control, int index) {
  const int from = ItemIndex(control);
  if (from < 0 || index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + index, control);
  MarkForLayout();
  return true;
}

bool CContainerUI::MoveItems(CControlUI* first, int count, int index) {
  const int from = ItemIndex(first);
  if (from < 0 || count <= 0 || from + count > Count()) return false;
  std::vector<CControlUI*> run(items_.begin() + from, items_.begin() + from + count);
  items_.erase(items_.begin() + from, items_.begin() + from + count);
  const int at = Clamp(index, 0, Count());
  items_.insert(items_.begin() + at, run.begin(), run.end());
  MarkForLayout();
  return true;
}

int CContainerUI::Count() const { return static_cast<int>(items_.size()); }

bool CContainerUI::Add(CControlUI* control) { return InsertChild(control, Count()); }

bool CContainerUI::AddAt(CControlUI* control, int index) { return InsertChild(control, index); }

bool CContainerUI::InsertChild(CControlUI* control, int index) {
  if (control == nullptr || index < 0 || index > Count()) return false;
  if (manager_ != nullptr) {
    manager_->AdoptSubtree(control, this);
  } else {
    control->AttachManager(nullptr, this, false);
  }
  if (IsVisible()) {
    MarkForLayout();
  } else {
    control->SetParentVisible(false);
  }
  items_.insert(items_.begin() + index, control);
  return true;
}

void CContainerUI::DisposeChild(CControlUI* child) {
  if (delayedDestroy_ && manager_ != nullptr) {
    manager_->DeferDestroy(child);
  } else {
    child->Destroy();
  }
}

bool CContainerUI::Remove(CControlUI* control, bool keepAlive) {
  const int index = ItemIndex(control);
  if (index < 0) return false;
  MarkForLayout();
  items_.erase(items_.begin() + index);
  if (!keepAlive && autoDestroy_) DisposeChild(control);
  return true;
}

bool CContainerUI::RemoveAt(int index, bool keepAlive) {
  CControlUI* control = ItemAt(index);
  return control != nullptr && Remove(control, keepAlive);
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> children;
  children.swap(items_);
  if (autoDestroy_) {
    for (CControlUI* child : children) DisposeChild(child);
  }
  MarkForLayout();
}

void CContainerUI::AttachManager(CManagerUI* manager, CControlUI* parent, bool initialise) {
  for (CControlUI* child : items_) child->AttachManager(manager, this, initialise);
  CControlUI::AttachManager(manager, parent, initialise);
}

void CContainerUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  CControlUI::SetVisible(visible);
  for (CControlUI* child : items_) child->SetParentVisible(IsVisible());
}

void CContainerUI::SetParentVisible(bool visible) {
  CControlUI::SetParentVisible(visible);
  for (CControlUI* child : items_) child->SetParentVisible(IsVisible());
}

void CContainerUI::MoveBy(int dx, int dy, bool invalidate) {
  CControlUI::MoveBy(dx, dy, invalidate);
  for (CControlUI* child : items_) child->MoveBy(dx, dy, false);
}

RECT CContainerUI::InnerRect() const {
  return RECT{itemRect_.left + inset_.left, itemRect_.top + inset_.top,
              itemRect_.right - inset_.right, itemRect_.bottom - inset_.bottom};
}

void CContainerUI::Place(RECT rc, bool invalidate) {
  CControlUI::Place(rc, invalidate);
  if (items_.empty()) return;
  const RECT inner = InnerRect();
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(static_cast<int>(i));
      continue;
    }
    const int w = Clamp(inner.right - inner.left, child->MinWidth(), child->MaxWidth());
    const int h = Clamp(inner.bottom - inner.top, child->MinHeight(), child->MaxHeight());
    child->Place(RECT{inner.left, inner.top, inner.left + w, inner.top + h}, false);
  }
}

void CContainerUI::PlaceFloatChild(int index) {
  CControlUI* child = ItemAt(index);
  if (child == nullptr || !child->IsVisible() || !child->IsFloat()) return;
  const SIZE origin = child->FloatOrigin();
  double f[4];
  child->FloatFractions(f);
  const int w = itemRect_.right - itemRect_.left;
  const int h = itemRect_.bottom - itemRect_.top;
  const RECT rel{static_cast<int>(w * f[0]) + origin.cx, static_cast<int>(h * f[1]) + origin.cy,
                 child->FixedWidth() + static_cast<int>(w * f[2]) + origin.cx,
                 child->FixedHeight() + static_cast<int>(h * f[3]) + origin.cy};
  child->Place(rel, false);
}

CControlUI* CContainerUI::Search(SearchVisitor visitor, void* data, unsigned flags) {
  if ((flags & FindVisible) && !IsVisible()) return nullptr;
  if ((flags & FindEnabled) && !IsEnabled()) return nullptr;
  const bool hitTest = (flags & FindHitTest) != 0;
  if (hitTest && !PtInRect(&itemRect_, *static_cast<const POINT*>(data))) return nullptr;
  if ((flags & FindUpdateTest) && visitor(this, data) != nullptr) return nullptr;

  const bool visitable = !hitTest || mouseEnabled_;
  if ((flags & FindMeFirst) && visitable) {
    if (CControlUI* found = visitor(this, data)) return found;
  }
  if (cover_ != nullptr) {
    if (CControlUI* found = cover_->Search(visitor, data, flags)) return found;
  }
  if (!hitTest || mouseChildEnabled_) {
    const RECT inner = InnerRect();
    auto visit = [&](CControlUI* child) -> CControlUI* {
      CControlUI* found = child->Search(visitor, data, flags);
      if (found == nullptr) return nullptr;
      if (hitTest && !child->IsFloat() && !PtInRect(&inner, *static_cast<const POINT*>(data))) {
        return nullptr;
      }
      return found;
    };
    if (flags & FindTopFirst) {
      for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (CControlUI* found = visit(*it)) return found;
      }
    } else {
      for (CControlUI* child : items_) {
        if (CControlUI* found = visit(child)) return found;
      }
    }
  }
  if (!(flags & FindMeFirst) && visitable) return visitor(this, data);
  return nullptr;
}

void CContainerUI::HandleEvent(UIEvent& event) {
  if (!mouseEnabled_ && event.type > EventMouseFirst && event.type < EventMouseLast) {
    if (parent_ != nullptr) {
      parent_->HandleEvent(event);
    } else {
      CControlUI::HandleEvent(event);
    }
    return;
  }
  if (event.type == EventSetFocus) {
    focused_ = true;
    return;
  }
  if (event.type == EventKillFocus) {
    focused_ = false;
    return;
  }
  // Keyboard and wheel scrolling need scroll bars, which this framework
  // build does not have; such events bubble up like any other.
  CControlUI::HandleEvent(event);
}

void CContainerUI::SetAttr(const std::wstring& name, const std::wstring& value) {
  if (name == L"inset") {
    SetInset(ReadRect(value.c_str()));
  } else if (name == L"mousechild") {
    SetMouseChildEnabled(IsTrue(value));
  } else if (name == L"childpadding") {
    SetChildPadding(ReadInt(value.c_str()));
  } else if (name == L"childalign") {
    if (value == L"left")
      SetChildAlign(AlignLeft);
    else if (value == L"center")
      SetChildAlign(AlignCenter);
    else if (value == L"right")
      SetChildAlign(AlignRight);
  } else if (name == L"childvalign") {
    if (value == L"top")
      SetChildVAlign(VAlignTop);
    else if (value == L"vcenter")
      SetChildVAlign(VAlignCenter);
    else if (value == L"bottom")
      SetChildVAlign(VAlignBottom);
  } else {
    CControlUI::SetAttr(name, value);
  }
}

bool CContainerUI::PaintSelf(HDC hdc, const RECT& paint, CControlUI* stopControl) {
  RECT area;
  if (!IntersectRect(&area, &paint, &itemRect_)) return true;
  ClipScope outer(hdc, area);
  CControlUI::PaintSelf(hdc, paint, stopControl);
  if (items_.empty()) return true;

  const RECT inner = InnerRect();
  RECT innerArea;
  const bool meetsInner = IntersectRect(&innerArea, &paint, &inner) != FALSE;
  for (CControlUI* child : items_) {
    if (child == stopControl) return false;
    if (!child->IsVisible()) continue;
    RECT overlap;
    const RECT& childRect = child->Rect();
    if (!IntersectRect(&overlap, &paint, &childRect)) continue;
    if (child->IsFloat()) {
      if (!IntersectRect(&overlap, &itemRect_, &childRect)) continue;
      if (!child->Paint(hdc, paint, stopControl)) return false;
    } else if (meetsInner) {
      if (!IntersectRect(&overlap, &inner, &childRect)) continue;
      ClipScope clip(hdc, innerArea);
      if (!child->Paint(hdc, paint, stopControl)) return false;
    }
  }
  return true;
}

RECT CContainerUI::Inset() const { return inset_; }

void CContainerUI::SetInset(RECT inset) {
  inset_ = inset;
  MarkForLayout();
}

int CContainerUI::ChildPadding() const { return childPadding_; }

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = padding < 0 ? 0 : padding;
  MarkForLayout();
}

int CContainerUI::ChildAlign() const { return childAlign_; }

void CContainerUI::SetChildAlign(int align) {
  childAlign_ = align;
  MarkForLayout();
}

int CContainerUI::ChildVAlign() const { return childVAlign_; }

void CContainerUI::SetChildVAlign(int align) {
  childVAlign_ = align;
  MarkForLayout();
}

bool CContainerUI::OwnsChildren() const { return autoDestroy_; }
void CContainerUI::SetOwnsChildren(bool owns) { autoDestroy_ = owns; }
bool CContainerUI::DefersDestroy() const { return delayedDestroy_; }
void CContainerUI::SetDefersDestroy(bool defers) { delayedDestroy_ = defers; }
bool CContainerUI::IsMouseChildEnabled() const { return mouseChildEnabled_; }
void CContainerUI::SetMouseChildEnabled(bool enabled) { mouseChildEnabled_ = enabled; }

int CContainerUI::NextSelectable(int index, bool forward) const {
  const int step = forward ? 1 : -1;
  for (int i = index; i >= 0 && i < Count(); i += step) {
    const CControlUI* child = items_[static_cast<size_t>(i)];
    if (child->IsVisible() && child->IsEnabled()) return i;
  }
  return -1;
}

}  // namespace OrvUI
