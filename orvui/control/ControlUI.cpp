#include "orvui/control/ControlUI.h"

#include <algorithm>

#include "orvui/layout/ContainerUI.h"
#include "orvui/manager/ManagerUI.h"

namespace OrvUI {

namespace {

bool IsEmptyRect(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

RECT UnionOf(const RECT& a, const RECT& b) {
  if (IsEmptyRect(a)) return b;
  if (IsEmptyRect(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace

CControlUI::CControlUI() = default;

void CControlUI::Destroy() { delete this; }

CControlUI::~CControlUI() {
  if (cover_ != nullptr) {
    CContainerUI* cover = cover_;
    cover_ = nullptr;
    cover->Destroy();
  }
  onDestroy.Fire(this);
  if (manager_ != nullptr) manager_->ForgetControl(this);
}

std::wstring CControlUI::Name() const { return name_; }
void CControlUI::SetName(const std::wstring& name) { name_ = name; }
const wchar_t* CControlUI::ClassName() const { return L"Control"; }

void* CControlUI::InterfaceFor(const std::wstring& name) {
  return name == L"Control" ? this : nullptr;
}

unsigned CControlUI::Flags() const { return 0; }
HWND CControlUI::NativeWindow() const { return nullptr; }
bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }
CManagerUI* CControlUI::Manager() const { return manager_; }

void CControlUI::AttachManager(CManagerUI* manager, CControlUI* parent, bool initialise) {
  if (cover_ != nullptr) cover_->AttachManager(manager, this, initialise);
  manager_ = manager;
  parent_ = parent;
  if (initialise && parent_ != nullptr) Init();
}

CControlUI* CControlUI::ParentControl() const { return parent_; }
CContainerUI* CControlUI::Cover() const { return cover_; }

void CControlUI::SetCover(CContainerUI* cover) {
  if (cover_ == cover) return;
  if (cover_ != nullptr) cover_->Destroy();
  cover_ = cover;
  if (cover_ != nullptr) {
    if (manager_ != nullptr)
      manager_->AdoptSubtree(cover_, this);
    else
      cover_->AttachManager(nullptr, this, false);
    if (IsVisible()) cover_->Place(itemRect_, true);
  }
}

std::wstring CControlUI::Text() const { return text_; }

void CControlUI::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

const RECT& CControlUI::Rect() const { return itemRect_; }

RECT CControlUI::RelativeRect() const {
  if (parent_ == nullptr) return RECT{0, 0, 0, 0};
  const RECT& p = parent_->Rect();
  return RECT{itemRect_.left - p.left, itemRect_.top - p.top, itemRect_.right - p.left,
              itemRect_.bottom - p.top};
}

RECT CControlUI::ClientRect() const { return itemRect_; }

void CControlUI::InvalidateArea(RECT area) const {
  if (manager_ == nullptr) return;
  for (const CControlUI* p = parent_; p != nullptr; p = p->parent_) {
    if (!p->IsVisible()) return;
    RECT clipped;
    if (!IntersectRect(&clipped, &area, &p->itemRect_)) return;
    area = clipped;
  }
  manager_->Invalidate(area);
}

void CControlUI::Place(RECT rc, bool invalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  RECT invalid = IsEmptyRect(itemRect_) ? rc : itemRect_;

  if (float_ && parent_ != nullptr) {
    const RECT& p = parent_->Rect();
    const int w = p.right - p.left;
    const int h = p.bottom - p.top;
    itemRect_ = RECT{rc.left + p.left, rc.top + p.top, rc.right + p.left, rc.bottom + p.top};
    floatOrigin_.cx = rc.left - static_cast<int>(floatFractions_[0] * w);
    floatOrigin_.cy = rc.top - static_cast<int>(floatFractions_[1] * h);
    fixedWidth_ = rc.right - floatOrigin_.cx - static_cast<int>(floatFractions_[2] * w);
    fixedHeight_ = rc.bottom - floatOrigin_.cy - static_cast<int>(floatFractions_[3] * h);
  } else {
    itemRect_ = rc;
  }
  if (manager_ == nullptr) return;

  // A size hook may move the control again; that move must not run the hooks
  // a second time.
  if (!inSizeHooks_) {
    inSizeHooks_ = true;
    onSize.Fire(this);
    inSizeHooks_ = false;
  }
  updateNeeded_ = false;
  if (invalidate && IsVisible()) InvalidateArea(UnionOf(invalid, itemRect_));
  if (cover_ != nullptr && cover_->IsVisible()) {
    if (cover_->IsFloat()) {
      const RECT rel = RelativeRect();
      cover_->Place(rel, true);
    } else {
      cover_->Place(itemRect_, true);
    }
  }
}

void CControlUI::MoveBy(int dx, int dy, bool invalidate) {
  const RECT old = itemRect_;
  OffsetRect(&itemRect_, dx, dy);
  if (invalidate && manager_ != nullptr && IsVisible()) InvalidateArea(UnionOf(old, itemRect_));
  if (cover_ != nullptr) cover_->MoveBy(dx, dy, false);
}

int CControlUI::Width() const { return itemRect_.right - itemRect_.left; }
int CControlUI::Height() const { return itemRect_.bottom - itemRect_.top; }
int CControlUI::X() const { return itemRect_.left; }
int CControlUI::Y() const { return itemRect_.top; }
RECT CControlUI::Padding() const { return padding_; }

void CControlUI::SetPadding(RECT padding) {
  padding_ = padding;
  MarkParentForLayout();
}

SIZE CControlUI::FloatOrigin() const { return floatOrigin_; }

void CControlUI::SetFloatOrigin(SIZE origin) {
  floatOrigin_ = origin;
  MarkParentForLayout();
}

void CControlUI::FloatFractions(double out[4]) const {
  for (int i = 0; i < 4; ++i) out[i] = floatFractions_[i];
}

void CControlUI::SetFloatFractions(const double fractions[4]) {
  for (int i = 0; i < 4; ++i) floatFractions_[i] = fractions[i];
  MarkParentForLayout();
}

int CControlUI::FixedWidth() const { return fixedWidth_; }

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  fixedWidth_ = cx;
  MarkParentForLayout();
}

int CControlUI::FixedHeight() const { return fixedHeight_; }

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  fixedHeight_ = cy;
  MarkParentForLayout();
}

int CControlUI::MinWidth() const { return minWidth_; }

void CControlUI::SetMinWidth(int cx) {
  if (cx < 0 || cx == minWidth_) return;
  minWidth_ = cx;
  MarkParentForLayout();
}

int CControlUI::MaxWidth() const { return std::max(maxWidth_, minWidth_); }

void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0 || cx == maxWidth_) return;
  maxWidth_ = cx;
  MarkParentForLayout();
}

int CControlUI::MinHeight() const { return minHeight_; }

void CControlUI::SetMinHeight(int cy) {
  if (cy < 0 || cy == minHeight_) return;
  minHeight_ = cy;
  MarkParentForLayout();
}

int CControlUI::MaxHeight() const { return std::max(maxHeight_, minHeight_); }

void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0 || cy == maxHeight_) return;
  maxHeight_ = cy;
  MarkParentForLayout();
}

std::wstring CControlUI::ToolTip() const { return toolTip_; }

void CControlUI::SetToolTip(const std::wstring& text) {
  std::wstring result;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, L"<n>") == 0) {
      result += L"\r\n";
      i += 3;
    } else {
      result += text[i++];
    }
  }
  toolTip_ = result;
}

void CControlUI::SetToolTipWidth(int width) { toolTipWidth_ = width; }
int CControlUI::ToolTipWidth() const { return toolTipWidth_; }
wchar_t CControlUI::Shortcut() const { return shortcut_; }
void CControlUI::SetShortcut(wchar_t ch) { shortcut_ = ch; }
bool CControlUI::UsesContextMenu() const { return menuUsed_; }
void CControlUI::SetUsesContextMenu(bool uses) { menuUsed_ = uses; }
std::wstring CControlUI::UserData() const { return userData_; }
void CControlUI::SetUserData(const std::wstring& text) { userData_ = text; }
UINT_PTR CControlUI::Tag() const { return tag_; }
void CControlUI::SetTag(UINT_PTR tag) { tag_ = tag; }

bool CControlUI::IsVisible() const { return visible_ && parentVisible_; }

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool wasVisible = IsVisible();
  visible_ = visible;
  focused_ = false;
  if (!visible && manager_ != nullptr && manager_->FocusedControl() == this) {
    manager_->FocusControl(nullptr, false);
  }
  if (IsVisible() != wasVisible) MarkParentForLayout();
  if (cover_ != nullptr) cover_->SetParentVisible(IsVisible());
}

void CControlUI::SetParentVisible(bool visible) {
  parentVisible_ = visible;
  if (!visible && manager_ != nullptr && manager_->FocusedControl() == this) {
    manager_->FocusControl(nullptr, false);
  }
  if (cover_ != nullptr) cover_->SetParentVisible(IsVisible());
}

bool CControlUI::IsEnabled() const { return enabled_; }

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const { return mouseEnabled_; }
void CControlUI::SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
bool CControlUI::IsKeyboardEnabled() const { return keyboardEnabled_; }
void CControlUI::SetKeyboardEnabled(bool enabled) { keyboardEnabled_ = enabled; }
bool CControlUI::IsFocused() const { return focused_; }

void CControlUI::TakeFocus() {
  if (manager_ != nullptr) manager_->FocusControl(this, true);
}

bool CControlUI::IsFloat() const { return float_; }

void CControlUI::SetFloat(bool isFloat) {
  if (float_ == isFloat) return;
  float_ = isFloat;
  MarkParentForLayout();
}

CControlUI* CControlUI::Search(SearchVisitor visitor, void* data, unsigned flags) {
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
  if (!(flags & FindMeFirst) && visitable) return visitor(this, data);
  return nullptr;
}

void CControlUI::Init() {
  OnInitControl();
  onInit.Fire(this);
}

void CControlUI::OnInitControl() {}

void CControlUI::DispatchEvent(UIEvent& event) {
  if (onEvent.Fire(&event)) HandleEvent(event);
}

void CControlUI::HandleEvent(UIEvent& event) {
  switch (event.type) {
    case EventSetCursor:
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return;
    case EventKillFocus:
      focused_ = false;
      Invalidate();
      return;
    case EventSetFocus:
      focused_ = true;
      Invalidate();
      return;
    case EventTimer:
      if (manager_ != nullptr) {
        manager_->RaiseNotify(this, L"timer", event.wParam, event.lParam);
      }
      return;
    case EventContextMenu:
      if (menuUsed_) {
        if (manager_ != nullptr) {
          manager_->RaiseNotify(this, L"menu", event.wParam, event.lParam);
        }
        return;
      }
      break;
    default:
      break;
  }
  if (parent_ != nullptr) parent_->HandleEvent(event);
}

SIZE CControlUI::MeasureSize(SIZE) { return SIZE{fixedWidth_, fixedHeight_}; }

bool CControlUI::Paint(HDC hdc, const RECT& paint, CControlUI* stopControl) {
  if (stopControl == this) return false;
  if (!IntersectRect(&paintRect_, &paint, &itemRect_)) return true;
  if (!onPaint.IsEmpty() && !onPaint.Fire(this)) return true;
  if (!PaintSelf(hdc, paintRect_, stopControl)) return false;
  if (cover_ != nullptr && cover_->IsVisible()) cover_->Paint(hdc, paint, stopControl);
  return true;
}

// The base control has no drawing of its own until the render engine gives it
// its background, image, text and border passes.
bool CControlUI::PaintSelf(HDC, const RECT&, CControlUI*) { return true; }

void CControlUI::PaintAfter(HDC, const RECT&) { onPostPaint.Fire(this); }

void CControlUI::Invalidate() {
  if (!IsVisible()) return;
  InvalidateArea(itemRect_);
}

void CControlUI::MarkForLayout() {
  if (!IsVisible()) return;
  updateNeeded_ = true;
  Invalidate();
  if (manager_ != nullptr) manager_->MarkForLayout();
}

void CControlUI::MarkParentForLayout() {
  if (parent_ != nullptr) {
    parent_->MarkForLayout();
    parent_->Invalidate();
  } else {
    MarkForLayout();
  }
  if (manager_ != nullptr) manager_->MarkForLayout();
}

// Hue, saturation and lightness adjustment is never switched on by the
// installer's skins, so colours pass through unchanged.
DWORD CControlUI::AdjustColor(DWORD color) const { return color; }

}  // namespace OrvUI
