#pragma once
// Joins one native window to one control tree, and keeps the process-wide
// skin resource settings.
//
// Thread contract: UI thread only. The manager owns its fonts, images and
// default attribute lists and the controls queued for delayed clean-up; the
// tree itself belongs to whoever installed it (normally the window). The
// process-wide settings and shared tables are not locked. Nothing blocks.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "orvui/manager/NotifyMsg.h"
#include "orvui/render/ImageData.h"
#include "orvui/resources/SkinArchive.h"

namespace OrvUI {

class CControlUI;

struct FontData {
  HFONT handle = nullptr;
  std::wstring face;  // at most 32 characters
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool measured = false;
  TEXTMETRICW metrics = {};
};

class CManagerUI {
 public:
  CManagerUI();
  ~CManagerUI();
  CManagerUI(const CManagerUI&) = delete;
  CManagerUI& operator=(const CManagerUI&) = delete;

  // ---- Process-wide resource settings ----
  static void SetAppInstance(HINSTANCE instance);
  static HINSTANCE AppInstance();
  static std::wstring AppFolder();
  static void SetResourceModule(HINSTANCE module);
  static HINSTANCE ResourceModule();
  static void SetSkinRoot(const std::wstring& path);
  static const std::wstring& SkinRoot();
  static void UseArchiveBytes(const void* bytes, size_t size);
  static void UseArchiveFile(const std::wstring& name, bool keepOpen);
  static const std::wstring& ArchiveName();
  static bool ArchiveHeld();
  static CSkinArchive::Handle ArchiveHandle();
  static void SetArchiveIs7z(bool is7z);
  static bool ArchiveIs7z();

  // ---- Window and tree ----
  void BindWindow(HWND window, const std::wstring& name);
  HWND NativeWindow() const { return window_; }
  const std::wstring& Name() const { return name_; }
  bool InstallRoot(CControlUI* root);
  CControlUI* Root() const { return root_; }
  void AdoptSubtree(CControlUI* control, CControlUI* parent);
  void ForgetControl(CControlUI* control);
  void DeferDestroy(CControlUI* control);
  CControlUI* ControlByName(const std::wstring& name) const;
  CControlUI* ControlAt(POINT point) const;
  CControlUI* SubControlByName(CControlUI* parent, const std::wstring& name) const;

  // ---- Layout and repainting ----
  void Invalidate(RECT rc);
  void MarkForLayout();
  bool IsLayoutPending() const { return updateNeeded_; }
  bool IsFocusNeeded() const { return focusNeeded_; }

  // ---- Focus ----
  CControlUI* FocusedControl() const { return focus_; }
  void FocusControl(CControlUI* control, bool activateWindow);
  void FocusNextTabStop(bool forward);

  // ---- Notifications (synchronous) ----
  void AddNotifyTarget(INotifyUI* target);
  void RemoveNotifyTarget(INotifyUI* target);
  void RaiseNotify(CControlUI* control, const std::wstring& type, WPARAM wParam = 0,
                   LPARAM lParam = 0);
  void RaiseNotify(NotifyMsg& msg);
  void UseVirtualWindows() { usesVirtualWnd_ = true; }

  // ---- Fonts ----
  HFONT DefineFont(int id, const std::wstring& face, int size, bool bold, bool underline,
                   bool italic, bool shared = false);
  HFONT DefineDefaultFont(const std::wstring& face, int size, bool bold, bool underline,
                          bool italic, bool shared = false);
  HFONT FontHandle(int id);
  const FontData* FontEntry(int id);
  const FontData* DefaultFontEntry();

  // ---- Images ----
  const ImageData* CacheImage(const std::wstring& name, const std::wstring& resourceType,
                              DWORD mask, bool usesHSL = false, bool shared = false);
  const ImageData* FindOrLoadImage(const std::wstring& name, const std::wstring& resourceType,
                                   DWORD mask, bool usesHSL = false);
  const ImageData* CachedImage(const std::wstring& name) const;
  bool DropImage(const std::wstring& name);
  void DropAllImages();

  // ---- Default attribute lists and window attributes ----
  void SetSharedResources(bool shared) { sharedResources_ = shared; }
  void SetTagDefaults(const std::wstring& tag, const std::wstring& list, bool shared = false);
  std::wstring TagDefaults(const std::wstring& tag) const;
  void SetWindowAttr(const std::wstring& name, const std::wstring& value);
  void SetWindowCustomAttr(const std::wstring& name, const std::wstring& value);
  std::wstring WindowCustomAttr(const std::wstring& name) const;

  SIZE InitSize() const { return initSize_; }
  RECT SizeBox() const { return sizeBox_; }
  RECT CaptionRect() const { return caption_; }
  SIZE RoundCorner() const { return roundCorner_; }
  SIZE MinInfo() const { return minInfo_; }
  SIZE MaxInfo() const { return maxInfo_; }
  bool ShowDirty() const { return showDirty_; }
  bool NoActivate() const { return noActivate_; }
  BYTE Opacity() const { return opacity_; }
  BYTE LayeredOpacity() const { return layeredOpacity_; }
  const std::wstring& LayeredImage() const { return layeredImage_; }
  DWORD DisabledFontColor() const { return disabledFontColor_; }
  DWORD DefaultFontColor() const { return defaultFontColor_; }
  DWORD LinkFontColor() const { return linkFontColor_; }
  DWORD LinkHoverFontColor() const { return linkHoverFontColor_; }
  DWORD SelectedColor() const { return selectedColor_; }

  // ---- Process-wide string table of "MultiLanguage" entries ----
  static void SetLanguageString(int id, const std::wstring& text);
  static const std::wstring* LanguageString(int id);

 private:
  void RegisterNames(CControlUI* subtree);
  void DestroyDeferred();
  void ClearTables();
  HFONT CreateFontFor(FontData& entry, const std::wstring& face, int size, bool bold,
                      bool underline, bool italic);
  void Measure(FontData& entry);

  HWND window_ = nullptr;
  HDC windowDC_ = nullptr;
  std::wstring name_;
  CControlUI* root_ = nullptr;
  CControlUI* focus_ = nullptr;
  CControlUI* hover_ = nullptr;
  CControlUI* pressed_ = nullptr;
  CControlUI* keyTarget_ = nullptr;
  POINT lastMouse_ = {-1, -1};
  bool firstLayout_ = true;
  bool updateNeeded_ = false;
  bool focusNeeded_ = false;
  bool usesVirtualWnd_ = false;
  bool sharedResources_ = false;

  SIZE initSize_ = {0, 0};
  RECT sizeBox_ = {0, 0, 0, 0};
  RECT caption_ = {0, 0, 0, 0};
  SIZE roundCorner_ = {0, 0};
  SIZE minInfo_ = {0, 0};
  SIZE maxInfo_ = {0, 0};
  bool showDirty_ = false;
  bool noActivate_ = false;
  BYTE opacity_ = 255;
  BYTE layeredOpacity_ = 255;
  std::wstring layeredImage_;
  DWORD disabledFontColor_;
  DWORD defaultFontColor_;
  DWORD linkFontColor_;
  DWORD linkHoverFontColor_;
  DWORD selectedColor_;

  FontData defaultFont_;
  std::vector<INotifyUI*> notifiers_;
  std::vector<CControlUI*> deferred_;
  std::map<std::wstring, CControlUI*> names_;
  std::map<std::wstring, FontData> fonts_;
  std::map<std::wstring, ImageData*> images_;
  std::map<std::wstring, std::wstring> tagDefaults_;
  std::map<std::wstring, std::wstring> windowCustomAttrs_;
};

}  // namespace OrvUI
