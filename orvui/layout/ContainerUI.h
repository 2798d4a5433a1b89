#pragma once
// A control that owns an ordered list of child controls and places them
// inside its own rectangle.
//
// Thread contract: UI thread only. The container owns its children and
// destroys them (directly, or through the manager's delayed clean-up when a
// removal happens while events may still refer to them). Nothing blocks.
//
// Scroll bars are not part of this framework build: the installer's skins
// never enable them, so the inner rectangle is the item rect less the inset
// and the layouts never scroll.

#include <vector>

#include "orvui/control/ControlUI.h"
#include "orvui/layout/IContainerUI.h"

namespace OrvUI {

enum ChildAlign { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
enum ChildVAlign { VAlignTop = 0, VAlignCenter = 4, VAlignBottom = 8 };

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  const wchar_t* ClassName() const override;
  void* InterfaceFor(const std::wstring& name) override;

  CControlUI* ItemAt(int index) const override;
  int ItemIndex(CControlUI* control) const override;
  bool MoveItem(CControlUI* control, int index) override;
  bool MoveItems(CControlUI* first, int count, int index) override;
  int Count() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool keepAlive = false) override;
  bool RemoveAt(int index, bool keepAlive = false) override;
  void RemoveAll() override;

  void AttachManager(CManagerUI* manager, CControlUI* parent, bool initialise) override;
  void SetVisible(bool visible = true) override;
  void SetParentVisible(bool visible) override;
  void MoveBy(int dx, int dy, bool invalidate = true) override;
  void Place(RECT rc, bool invalidate = true) override;
  CControlUI* Search(SearchVisitor visitor, void* data, unsigned flags) override;
  void HandleEvent(UIEvent& event) override;
  void SetAttr(const std::wstring& name, const std::wstring& value) override;
  bool PaintSelf(HDC hdc, const RECT& paint, CControlUI* stopControl) override;

  virtual RECT Inset() const;
  virtual void SetInset(RECT inset);
  virtual int ChildPadding() const;
  virtual void SetChildPadding(int padding);
  virtual int ChildAlign() const;
  virtual void SetChildAlign(int align);
  virtual int ChildVAlign() const;
  virtual void SetChildVAlign(int align);
  virtual bool OwnsChildren() const;
  virtual void SetOwnsChildren(bool owns);
  virtual bool DefersDestroy() const;
  virtual void SetDefersDestroy(bool defers);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool enabled = true);
  // The index of the next child (from index, in the given direction) that is
  // visible and enabled, or -1.
  virtual int NextSelectable(int index, bool forward) const;
  virtual void PlaceFloatChild(int index);

  // The item rect shrunk by the inset.
  RECT InnerRect() const;

 protected:
  // Adds a child without going through the overridable Add and AddAt, so
  // that subclasses extending both see each addition once.
  bool InsertChild(CControlUI* control, int index);
  // Destroys a child that leaves the list, at once or through the manager.
  void DisposeChild(CControlUI* child);

  std::vector<CControlUI*> items_;
  RECT inset_ = {0, 0, 0, 0};
  int childPadding_ = 0;
  int childAlign_ = AlignLeft;
  int childVAlign_ = VAlignTop;
  bool autoDestroy_ = true;
  bool delayedDestroy_ = true;
  bool mouseChildEnabled_ = true;
};

}  // namespace OrvUI
