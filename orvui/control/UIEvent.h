#pragma once

#include <windows.h>

namespace OrvUI {

class CControlUI;

// Event types delivered to controls. The First/Last values only mark the
// keyboard and mouse ranges; they are never sent.
enum UIEventType {
  EventKeyFirst = 2,
  EventKeyDown = 3,
  EventKeyUp = 4,
  EventChar = 5,
  EventSysKey = 6,
  EventKeyLast = 7,
  EventMouseFirst = 8,
  EventMouseMove = 9,
  EventMouseLeave = 10,
  EventMouseEnter = 11,
  EventMouseHover = 12,
  EventButtonDown = 13,
  EventButtonUp = 14,
  EventRButtonDown = 15,
  EventDoubleClick = 16,
  EventContextMenu = 17,
  EventScrollWheel = 18,
  EventMouseLast = 19,
  EventKillFocus = 20,
  EventSetFocus = 21,
  EventWindowSize = 22,
  EventSetCursor = 23,
  EventTimer = 24,
  EventNotify = 25,
  EventCommand = 26,
};

struct UIEvent {
  int type = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mousePoint = {0, 0};
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Flags of the control-tree search.
enum SearchFlags : unsigned {
  FindVisible = 0x00000001,
  FindEnabled = 0x00000002,
  FindHitTest = 0x00000004,
  FindUpdateTest = 0x00000008,
  FindTopFirst = 0x00000010,
  FindMeFirst = 0x80000000,
};

// A search visitor returns the control that ends the search, or null.
using SearchVisitor = CControlUI* (*)(CControlUI* control, void* data);

// Bits of CControlUI::Flags.
enum ControlFlags : unsigned {
  FlagTabStop = 0x00000001,
  FlagSetCursor = 0x00000002,
};

}  // namespace OrvUI
