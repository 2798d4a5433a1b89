#include "orvui/layout/VerticalLayoutUI.h"

#include <algorithm>

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

const wchar_t* CVerticalLayoutUI::ClassName() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::InterfaceFor(const std::wstring& name) {
  if (name == L"VerticalLayout") return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::InterfaceFor(name);
}

void CVerticalLayoutUI::SetAttr(const std::wstring& name, const std::wstring& value) {
  if (name == L"sepheight") {
    separatorSize_ = ReadInt(value.c_str());
  } else if (name == L"sepimm") {
    immediateResize_ = IsTrue(value);
  } else {
    CContainerUI::SetAttr(name, value);
  }
}

void CVerticalLayoutUI::Place(RECT rc, bool invalidate) {
  CControlUI::Place(rc, invalidate);
  if (items_.empty()) return;
  const RECT inner = InnerRect();
  const int aw = static_cast<int>(inner.right - inner.left);
  const int ah = static_cast<int>(inner.bottom - inner.top);

  // Measuring pass: what the fixed children take, and how many stretch.
  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Margins pad = MarginsOf(child->Padding());
    const int widthLimit = child->FixedWidth() < 1 ? child->MaxWidth() : child->FixedWidth();
    const int heightLimit = child->FixedHeight() < 1 ? child->MaxHeight() : child->FixedHeight();
    SIZE size = child->MeasureSize(
        SIZE{std::min(widthLimit, aw - pad.left - pad.right), std::min(heightLimit, ah)});
    if (size.cy == 0) {
      ++stretchCount;
    } else {
      size.cy = Clamp(size.cy, child->MinHeight(), child->MaxHeight());
    }
    fixedTotal += size.cy + pad.top + pad.bottom;
    ++counted;
  }
  if (counted > 0) fixedTotal += childPadding_ * (counted - 1);
  const int share = stretchCount > 0 ? std::max(0, (ah - fixedTotal) / stretchCount) : 0;

  // Placing pass: the last stretch child takes every rounding remainder.
  int y = inner.top;
  int remaining = ah;
  int fixedRemaining = fixedTotal;
  int placed = 0;
  int stretchSeen = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* child = items_[i];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(static_cast<int>(i));
      continue;
    }
    const Margins pad = MarginsOf(child->Padding());
    remaining -= pad.top;
    fixedRemaining -= pad.top + pad.bottom;
    if (placed > 0) fixedRemaining -= childPadding_;
    const int widthLimit = child->FixedWidth() < 1 ? child->MaxWidth() : child->FixedWidth();
    const int heightLimit = child->FixedHeight() < 1 ? child->MaxHeight() : child->FixedHeight();
    const int availableWidth = std::min(widthLimit, aw - pad.left - pad.right);
    SIZE size = child->MeasureSize(SIZE{availableWidth, std::min(heightLimit, remaining)});
    if (size.cy != 0) {
      size.cy = Clamp(size.cy, child->MinHeight(), child->MaxHeight());
      fixedRemaining -= size.cy;
    } else {
      ++stretchSeen;
      size.cy = stretchSeen == stretchCount ? std::max(0, remaining - pad.bottom - fixedRemaining)
                                            : share;
      size.cy = Clamp(size.cy, child->MinHeight(), child->MaxHeight());
    }

    int width = child->MaxWidth();
    if (width == 0) width = aw - pad.left - pad.right;
    width = std::max(width, 0);
    width = std::min(width, availableWidth);
    width = std::max(width, child->MinWidth());

    RECT placedRect;
    if (childAlign_ == AlignCenter) {
      const int cx = (inner.left + inner.right) / 2;
      placedRect.left = cx - width / 2;
    } else if (childAlign_ == AlignRight) {
      placedRect.left = inner.right - pad.right - width;
    } else {
      placedRect.left = inner.left + pad.left;
    }
    placedRect.right = placedRect.left + width;
    placedRect.top = y + pad.top;
    placedRect.bottom = placedRect.top + size.cy;
    child->Place(placedRect, false);

    y += size.cy + pad.top + pad.bottom + childPadding_;
    remaining -= size.cy + pad.bottom + childPadding_;
    ++placed;
  }
}

}  // namespace OrvUI
