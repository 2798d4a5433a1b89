#pragma once
// The base of every element of a window's control tree.
//
// Thread contract: UI thread only. A control belongs to its parent container,
// which destroys it; the manager only refers to it and forgets it when it is
// destroyed. Nothing here blocks.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "orvui/control/EventSource.h"
#include "orvui/control/UIEvent.h"

namespace OrvUI {

class CManagerUI;
class CContainerUI;

class CControlUI {
 public:
  CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual void Destroy();
  virtual ~CControlUI();

  virtual std::wstring Name() const;
  virtual void SetName(const std::wstring& name);
  virtual const wchar_t* ClassName() const;
  virtual void* InterfaceFor(const std::wstring& name);
  virtual unsigned Flags() const;
  virtual HWND NativeWindow() const;
  virtual bool Activate();

  virtual CManagerUI* Manager() const;
  virtual void AttachManager(CManagerUI* manager, CControlUI* parent, bool initialise);
  virtual CControlUI* ParentControl() const;
  virtual CContainerUI* Cover() const;
  virtual void SetCover(CContainerUI* cover);

  virtual std::wstring Text() const;
  virtual void SetText(const std::wstring& text);

  virtual const RECT& Rect() const;
  virtual RECT RelativeRect() const;
  virtual RECT ClientRect() const;
  virtual void Place(RECT rc, bool invalidate = true);
  virtual void MoveBy(int dx, int dy, bool invalidate = true);
  virtual int Width() const;
  virtual int Height() const;
  virtual int X() const;
  virtual int Y() const;
  virtual RECT Padding() const;
  virtual void SetPadding(RECT padding);
  virtual SIZE FloatOrigin() const;
  virtual void SetFloatOrigin(SIZE origin);
  // Fractions are left, top, right, bottom shares of the parent's size.
  virtual void FloatFractions(double out[4]) const;
  virtual void SetFloatFractions(const double fractions[4]);
  virtual int FixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int FixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int MinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int MaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int MinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int MaxHeight() const;
  virtual void SetMaxHeight(int cy);

  virtual std::wstring ToolTip() const;
  virtual void SetToolTip(const std::wstring& text);
  virtual void SetToolTipWidth(int width);
  virtual int ToolTipWidth() const;
  virtual wchar_t Shortcut() const;
  virtual void SetShortcut(wchar_t ch);
  virtual bool UsesContextMenu() const;
  virtual void SetUsesContextMenu(bool uses);
  virtual std::wstring UserData() const;
  virtual void SetUserData(const std::wstring& text);
  virtual UINT_PTR Tag() const;
  virtual void SetTag(UINT_PTR tag);

  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  virtual void SetParentVisible(bool visible);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const;
  virtual void TakeFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool isFloat = true);

  virtual CControlUI* Search(SearchVisitor visitor, void* data, unsigned flags);

  virtual void Init();
  virtual void OnInitControl();
  virtual void DispatchEvent(UIEvent& event);
  virtual void HandleEvent(UIEvent& event);

  virtual std::wstring Attribute(const std::wstring& name) const;
  virtual void SetAttr(const std::wstring& name, const std::wstring& value);
  virtual std::wstring AttributeList() const;
  virtual void ApplyAttrList(const std::wstring& list);
  virtual SIZE MeasureSize(SIZE available);

  // Entry point of painting: clips to the item rect and runs the paint hooks
  // around PaintSelf. The render engine supplies the drawing passes.
  virtual bool Paint(HDC hdc, const RECT& paint, CControlUI* stopControl);
  virtual bool PaintSelf(HDC hdc, const RECT& paint, CControlUI* stopControl);
  virtual void PaintAfter(HDC hdc, const RECT& paint);

  void Invalidate();
  bool IsUpdateNeeded() const { return updateNeeded_; }
  void MarkForLayout();
  void MarkParentForLayout();
  DWORD AdjustColor(DWORD color) const;
  void StoreCustomAttr(const std::wstring& name, const std::wstring& value);
  std::wstring CustomAttr(const std::wstring& name) const;
  void SetBkColor(DWORD color);
  void SetBkColor2(DWORD color);
  void SetBkColor3(DWORD color);
  void SetBkImage(const std::wstring& drawString);
  void SetBorderColor(DWORD color);
  void SetFocusBorderColor(DWORD color);
  void SetColorHSL(bool hsl);
  void SetBorderSize(int width);
  void SetBorderSize(RECT widths);
  void SetBorderRound(SIZE round);
  void SetBorderStyle(int style) { borderStyle_ = style; }
  void SetVirtualWnd(const std::wstring& name);

  DWORD BkColor() const { return bkColor_[0]; }
  DWORD BkColor2() const { return bkColor_[1]; }
  DWORD BkColor3() const { return bkColor_[2]; }
  const std::wstring& BkImage() const { return bkImage_; }
  DWORD BorderColor() const { return borderColor_; }
  DWORD FocusBorderColor() const { return focusBorderColor_; }
  bool IsColorHSL() const { return colorHSL_; }
  int BorderStyle() const { return borderStyle_; }
  RECT BorderSize() const { return borderSize_; }
  SIZE BorderRound() const { return borderRound_; }
  const std::wstring& VirtualWnd() const { return virtualWnd_; }
  const RECT& PaintRect() const { return paintRect_; }

  CEventSource onInit;
  CEventSource onDestroy;
  CEventSource onSize;
  CEventSource onEvent;
  CEventSource onNotify;
  CEventSource onPaint;
  CEventSource onPostPaint;

 protected:
  // The union of two areas clipped by every ancestor, handed to the manager.
  void InvalidateArea(RECT area) const;

  CManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  CContainerUI* cover_ = nullptr;
  std::wstring virtualWnd_;
  std::wstring name_;
  bool updateNeeded_ = true;
  bool menuUsed_ = false;
  RECT itemRect_ = {0, 0, 0, 0};
  RECT paintRect_ = {0, 0, 0, 0};
  RECT padding_ = {0, 0, 0, 0};
  SIZE floatOrigin_ = {0, 0};
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = 9999;
  int maxHeight_ = 9999;
  bool visible_ = true;
  bool parentVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool keyboardEnabled_ = true;
  bool focused_ = false;
  bool float_ = false;
  double floatFractions_[4] = {0, 0, 0, 0};
  bool inSizeHooks_ = false;
  std::wstring text_;
  std::wstring toolTip_;
  int toolTipWidth_ = 300;
  wchar_t shortcut_ = 0;
  std::wstring userData_;
  UINT_PTR tag_ = 0;
  DWORD bkColor_[3] = {0, 0, 0};
  std::wstring bkImage_;
  DWORD borderColor_ = 0;
  DWORD focusBorderColor_ = 0;
  bool colorHSL_ = false;
  int borderStyle_ = 0;
  RECT borderSize_ = {0, 0, 0, 0};
  SIZE borderRound_ = {0, 0};
  std::map<std::wstring, std::wstring> customAttrs_;
};

}  // namespace OrvUI
