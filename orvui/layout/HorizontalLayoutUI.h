#pragma once
// A container that lines its children up from left to right, sharing
// the space that fixed-size children leave among the stretching ones.
//
// Thread contract: UI thread only; owns its children like CContainerUI.

#include "orvui/layout/ContainerUI.h"

namespace OrvUI {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override;
  void* InterfaceFor(const std::wstring& name) override;
  void SetAttr(const std::wstring& name, const std::wstring& value) override;
  void Place(RECT rc, bool invalidate = true) override;

  int SeparatorSize() const { return separatorSize_; }
  bool IsImmediateResize() const { return immediateResize_; }

 private:
  // Draggable separators are never used by the installer's skins; the size
  // and flag are kept for skins that set them.
  int separatorSize_ = 0;
  bool immediateResize_ = false;
};

}  // namespace OrvUI
