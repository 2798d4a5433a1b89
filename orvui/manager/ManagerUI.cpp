#include "orvui/manager/ManagerUI.h"

#include <algorithm>

#include "orvui/control/ControlUI.h"
#include "orvui/manager/ProcessState.h"

namespace OrvUI {

namespace {

CControlUI* CollectNamed(CControlUI* control, void* data) {
  auto* names = static_cast<std::map<std::wstring, CControlUI*>*>(data);
  const std::wstring name = control->Name();
  if (!name.empty()) (*names)[name] = control;
  return nullptr;
}

CControlUI* CollectAll(CControlUI* control, void* data) {
  static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

CControlUI* FindFirst(CControlUI* control, void*) { return control; }

struct NameQuery {
  const std::wstring* name;
};

CControlUI* MatchName(CControlUI* control, void* data) {
  const NameQuery* query = static_cast<const NameQuery*>(data);
  return control->Name() == *query->name ? control : nullptr;
}

}  // namespace

CManagerUI::CManagerUI() {
  ProcessState& p = Process();
  disabledFontColor_ = p.disabledFontColor;
  defaultFontColor_ = p.defaultFontColor;
  linkFontColor_ = p.linkFontColor;
  linkHoverFontColor_ = p.linkHoverFontColor;
  selectedColor_ = p.selectedColor;
  if (p.defaultFont.handle == nullptr) {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    p.defaultFont.handle = CreateFontIndirectW(&lf);
    p.defaultFont.face = lf.lfFaceName;
    p.defaultFont.size = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    p.defaultFont.bold = lf.lfWeight >= FW_BOLD;
    p.defaultFont.underline = lf.lfUnderline != 0;
    p.defaultFont.italic = lf.lfItalic != 0;
  }
}

CManagerUI::~CManagerUI() {
  DestroyDeferred();
  ClearTables();
  ProcessState& p = Process();
  p.managers.erase(std::remove(p.managers.begin(), p.managers.end(), this), p.managers.end());
  if (windowDC_ != nullptr) ReleaseDC(window_, windowDC_);
}

void CManagerUI::BindWindow(HWND window, const std::wstring& name) {
  names_.clear();
  ClearTables();
  name_ = name;
  if (window_ != window) {
    if (windowDC_ != nullptr) ReleaseDC(window_, windowDC_);
    window_ = window;
    windowDC_ = window != nullptr ? GetDC(window) : nullptr;
    ProcessState& p = Process();
    if (std::find(p.managers.begin(), p.managers.end(), this) == p.managers.end()) {
      p.managers.push_back(this);
    }
  }
}

bool CManagerUI::InstallRoot(CControlUI* root) {
  if (focus_ != nullptr) {
    if (window_ != nullptr && GetFocus() != window_ && !noActivate_) SetFocus(window_);
    CControlUI* old = focus_;
    UIEvent event;
    event.type = EventKillFocus;
    event.timestamp = GetTickCount();
    old->DispatchEvent(event);
    RaiseNotify(old, L"killfocus");
    focus_ = nullptr;
  }
  keyTarget_ = hover_ = pressed_ = nullptr;
  if (root_ != nullptr) {
    DestroyDeferred();
    names_.clear();
    CControlUI* old = root_;
    old->AttachManager(nullptr, nullptr, false);
    deferred_.push_back(old);
  }
  root_ = root;
  if (root == nullptr) return false;
  updateNeeded_ = firstLayout_ = focusNeeded_ = true;
  root->AttachManager(this, nullptr, true);
  RegisterNames(root);
  if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
  return true;
}

void CManagerUI::AdoptSubtree(CControlUI* control, CControlUI* parent) {
  if (control == nullptr) return;
  control->AttachManager(this, parent, true);
  RegisterNames(control);
}

void CManagerUI::RegisterNames(CControlUI* subtree) {
  // A later registration of the same name replaces the earlier one.
  subtree->Search(CollectNamed, &names_, 0);
}

void CManagerUI::ForgetControl(CControlUI* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (pressed_ == control) pressed_ = nullptr;
  if (keyTarget_ == control) keyTarget_ = nullptr;
  if (root_ == control) root_ = nullptr;
  for (auto it = names_.begin(); it != names_.end();) {
    it = it->second == control ? names_.erase(it) : std::next(it);
  }
  deferred_.erase(std::remove(deferred_.begin(), deferred_.end(), control), deferred_.end());
}

void CManagerUI::DeferDestroy(CControlUI* control) {
  if (control == nullptr) return;
  if (std::find(deferred_.begin(), deferred_.end(), control) == deferred_.end()) {
    deferred_.push_back(control);
  }
}

void CManagerUI::DestroyDeferred() {
  // Destroying a control removes it from the list through ForgetControl,
  // so take the list first.
  std::vector<CControlUI*> dying;
  dying.swap(deferred_);
  for (CControlUI* control : dying) control->Destroy();
}

CControlUI* CManagerUI::ControlByName(const std::wstring& name) const {
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

CControlUI* CManagerUI::ControlAt(POINT point) const {
  if (root_ == nullptr) return nullptr;
  return root_->Search(FindFirst, &point, FindVisible | FindHitTest | FindTopFirst);
}

CControlUI* CManagerUI::SubControlByName(CControlUI* parent, const std::wstring& name) const {
  if (parent == nullptr) return nullptr;
  NameQuery query{&name};
  return parent->Search(MatchName, &query, 0);
}

void CManagerUI::Invalidate(RECT rc) {
  if (rc.left < 0) rc.left = 0;
  if (rc.top < 0) rc.top = 0;
  if (rc.right <= rc.left || rc.bottom <= rc.top) return;
  if (window_ != nullptr) InvalidateRect(window_, &rc, FALSE);
}

void CManagerUI::MarkForLayout() {
  updateNeeded_ = true;
  if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void CManagerUI::FocusControl(CControlUI* control, bool activateWindow) {
  if (activateWindow && window_ != nullptr && GetFocus() != window_ && control != focus_ &&
      !noActivate_) {
    SetFocus(window_);
  }
  if (control == focus_) return;
  if (focus_ != nullptr) {
    CControlUI* old = focus_;
    UIEvent event;
    event.type = EventKillFocus;
    event.sender = control;
    event.timestamp = GetTickCount();
    old->DispatchEvent(event);
    RaiseNotify(old, L"killfocus");
    focus_ = nullptr;
  }
  if (control == nullptr || control->Manager() != this || !control->IsVisible() ||
      !control->IsEnabled()) {
    return;
  }
  focus_ = control;
  UIEvent event;
  event.type = EventSetFocus;
  event.sender = control;
  event.timestamp = GetTickCount();
  control->DispatchEvent(event);
  RaiseNotify(control, L"setfocus");
}

void CManagerUI::FocusNextTabStop(bool forward) {
  if (updateNeeded_ && forward) {
    // The tab order depends on visibility that the pending layout may still
    // change; the next paint calls this again.
    focusNeeded_ = true;
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
    return;
  }
  if (root_ == nullptr) return;
  std::vector<CControlUI*> order;
  root_->Search(CollectAll, &order, FindVisible | FindEnabled | FindMeFirst);
  const auto focused = std::find(order.begin(), order.end(), focus_);
  CControlUI* pick = nullptr;
  auto isTabStop = [](CControlUI* c) { return (c->Flags() & FlagTabStop) != 0; };
  if (forward) {
    if (focused != order.end()) {
      const auto next = std::find_if(focused + 1, order.end(), isTabStop);
      if (next != order.end()) pick = *next;
    }
    if (pick == nullptr) {
      const auto first = std::find_if(order.begin(), order.end(), isTabStop);
      if (first != order.end()) pick = *first;
    }
  } else {
    if (focused != order.end()) {
      for (auto it = focused; it != order.begin();) {
        --it;
        if (isTabStop(*it)) {
          pick = *it;
          break;
        }
      }
    }
    if (pick == nullptr) {
      const auto last = std::find_if(order.rbegin(), order.rend(), isTabStop);
      if (last != order.rend()) pick = *last;
    }
  }
  if (pick != nullptr) FocusControl(pick, true);
  focusNeeded_ = false;
}

void CManagerUI::AddNotifyTarget(INotifyUI* target) {
  if (target != nullptr &&
      std::find(notifiers_.begin(), notifiers_.end(), target) == notifiers_.end()) {
    notifiers_.push_back(target);
  }
}

void CManagerUI::RemoveNotifyTarget(INotifyUI* target) {
  notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), target), notifiers_.end());
}

void CManagerUI::RaiseNotify(CControlUI* control, const std::wstring& type, WPARAM wParam,
                             LPARAM lParam) {
  NotifyMsg msg;
  msg.type = type;
  msg.sender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  RaiseNotify(msg);
}

void CManagerUI::RaiseNotify(NotifyMsg& msg) {
  msg.mousePoint = lastMouse_;
  msg.timestamp = GetTickCount();
  if (usesVirtualWnd_ && msg.sender != nullptr) {
    for (CControlUI* c = msg.sender; c != nullptr; c = c->ParentControl()) {
      if (!c->VirtualWnd().empty()) {
        msg.virtualWnd = c->VirtualWnd();
        break;
      }
    }
  }
  if (msg.sender != nullptr) msg.sender->onNotify.Fire(&msg);
  // A notifier may unregister itself while handling the message.
  const std::vector<INotifyUI*> targets = notifiers_;
  for (INotifyUI* target : targets) target->OnNotify(msg);
}

}  // namespace OrvUI
