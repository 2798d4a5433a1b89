#pragma once
// A container that shows exactly one of its children (a page) at a time.
//
// Thread contract: UI thread only; owns its pages like CContainerUI.
// Selecting a page notifies the manager's notifiers synchronously.

#include "orvui/layout/ContainerUI.h"

namespace OrvUI {

class CTabLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override;
  void* InterfaceFor(const std::wstring& name) override;
  void SetAttr(const std::wstring& name, const std::wstring& value) override;
  void Place(RECT rc, bool invalidate = true) override;

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool keepAlive = false) override;
  void RemoveAll() override;

  bool SelectPage(int index, bool notify = true);
  int SelectedPage() const { return selected_; }

 private:
  int selected_ = -1;
};

}  // namespace OrvUI
