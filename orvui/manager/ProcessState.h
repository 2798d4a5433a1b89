#pragma once
// The framework's process-wide state: resource settings, shared tables and
// the list of managers. UI thread only, not locked; lives until the process
// ends.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "orvui/manager/ManagerUI.h"

namespace OrvUI {

struct ProcessState {
  // Resource settings.
  HINSTANCE instance = nullptr;
  HINSTANCE resourceModule = nullptr;
  std::wstring skinRoot;
  std::wstring archiveName;
  CSkinArchive::Handle archive = nullptr;
  bool archiveHeld = false;
  bool archiveIs7z = false;

  // Shared tables.
  std::vector<CManagerUI*> managers;
  std::map<std::wstring, FontData> fonts;
  std::map<std::wstring, ImageData*> images;
  std::map<std::wstring, std::wstring> tagDefaults;
  std::map<std::wstring, std::wstring> languageStrings;
  FontData defaultFont;

  DWORD disabledFontColor = 0xFFA7A6AA;
  DWORD defaultFontColor = 0xFF000000;
  DWORD linkFontColor = 0xFF0000FF;
  DWORD linkHoverFontColor = 0xFFD3215F;
  DWORD selectedColor = 0xFFBAE4FF;
};

ProcessState& Process();

}  // namespace OrvUI
