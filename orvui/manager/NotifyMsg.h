#pragma once

#include <windows.h>

#include <string>

namespace OrvUI {

class CControlUI;

// One notification raised by a control, for example "click".
struct NotifyMsg {
  std::wstring type;
  std::wstring virtualWnd;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mousePoint = {0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Receives the notifications of a manager's controls, on the UI thread.
class INotifyUI {
 public:
  virtual void OnNotify(NotifyMsg& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

}  // namespace OrvUI
