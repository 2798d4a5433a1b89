#include "orvui/layout/HorizontalLayoutUI.h"

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

const wchar_t* CHorizontalLayoutUI::ClassName() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::InterfaceFor(const std::wstring& name) {
  if (name == L"HorizontalLayout") return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::InterfaceFor(name);
}

void CHorizontalLayoutUI::SetAttr(const std::wstring& name, const std::wstring& value) {
  if (name == L"sepwidth") {
    separatorSize_ = ReadInt(value.c_str());
  } else if (name == L"sepimm") {
    immediateResize_ = IsTrue(value);
  } else {
    CContainerUI::SetAttr(name, value);
  }
}

void CHorizontalLayoutUI::Place(RECT rc, bool invalidate) {
  CControlUI::Place(rc, invalidate);
  if (items_.empty()) return;
  const RECT inner = InnerRect();
  const int aw = static_cast<int>(inner.right - inner.left);
  const int ah = static_cast<int>(inner.bottom - inner.top);

  // Measuring pass. A child without a fixed width stretches without being
  // measured at all.
  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Margins pad = MarginsOf(child->Padding());
    const int widthLimit = child->FixedWidth() < 1 ? child->MaxWidth() : child->FixedWidth();
    const int heightLimit = child->FixedHeight() < 1 ? child->MaxHeight() : child->FixedHeight();
    bool stretches = child->FixedWidth() == 0;
    if (!stretches) {
      SIZE size = child->MeasureSize(
          SIZE{std::min(widthLimit, aw), std::min(heightLimit, ah - pad.top - pad.bottom)});
      if (size.cx == 0) {
        stretches = true;
      } else {
        fixedTotal += Clamp(size.cx, child->MinWidth(), child->MaxWidth());
      }
    }
    if (stretches) ++stretchCount;
    fixedTotal += pad.left + pad.right;
    ++counted;
  }
  if (counted > 0) fixedTotal += childPadding_ * (counted - 1);
  const int share = stretchCount > 0 ? std::max(0, (aw - fixedTotal) / stretchCount) : 0;

  int x = inner.left;
  int remaining = aw;
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
    remaining -= pad.left;
    fixedRemaining -= pad.left + pad.right;
    if (placed > 0) fixedRemaining -= childPadding_;
    const int widthLimit = child->FixedWidth() < 1 ? child->MaxWidth() : child->FixedWidth();
    const int heightLimit = child->FixedHeight() < 1 ? child->MaxHeight() : child->FixedHeight();
    const int availableHeight = std::min(heightLimit, ah - pad.top - pad.bottom);
    SIZE size = child->MeasureSize(SIZE{std::min(widthLimit, remaining), availableHeight});
    if (child->FixedWidth() != 0 && size.cx != 0) {
      size.cx = Clamp(size.cx, child->MinWidth(), child->MaxWidth());
      fixedRemaining -= size.cx;
    } else {
      ++stretchSeen;
      size.cx =
          stretchSeen == stretchCount ? std::max(0, remaining - pad.right - fixedRemaining) : share;
      size.cx = Clamp(size.cx, child->MinWidth(), child->MaxWidth());
    }

    int height = child->MaxHeight();
    if (height == 0) height = ah - pad.top - pad.bottom;
    height = std::max(height, 0);
    height = std::min(height, availableHeight);
    height = std::max(height, child->MinHeight());

    RECT placedRect;
    if (childVAlign_ == VAlignCenter) {
      const int cy = (inner.top + inner.bottom) / 2;
      placedRect.top = cy - height / 2;
    } else if (childVAlign_ == VAlignBottom) {
      placedRect.top = inner.bottom - pad.bottom - height;
    } else {
      placedRect.top = inner.top + pad.top;
    }
    placedRect.bottom = placedRect.top + height;
    placedRect.left = x + pad.left;
    placedRect.right = placedRect.left + size.cx;
    child->Place(placedRect, false);

    x += size.cx + pad.left + pad.right + childPadding_;
    remaining -= size.cx + pad.right + childPadding_;
    ++placed;
  }
}

}  // namespace OrvUI
