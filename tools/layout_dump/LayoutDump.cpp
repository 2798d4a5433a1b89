// layout_dump <skin folder or .7z file> <layout file> <width> <height>
//
// Builds a layout without a window (custom tags are skipped), places its root
// at 0,0,width,height and prints one line per control in tree order:
//   <depth> <class name> <name or -> <left>,<top>,<right>,<bottom> <visible 0|1>
// A layout that cannot be loaded prints the parser's message and location
// and exits with 1.

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/utils/Text.h"
#include "orvui/control/ControlUI.h"
#include "orvui/layout/IContainerUI.h"
#include "orvui/manager/ManagerUI.h"
#include "orvui/markup/DialogBuilder.h"

using namespace OrvUI;

namespace {

void Print(HANDLE out, const std::wstring& line) {
  const std::string bytes = Utils::ToUtf8(line + L"\n");
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Dump(HANDLE out, CControlUI* control, int depth) {
  const RECT& rc = control->Rect();
  const std::wstring name = control->Name();
  wchar_t line[512];
  swprintf(line, 512, L"%d %ls %ls %ld,%ld,%ld,%ld %d", depth, control->ClassName(),
           name.empty() ? L"-" : name.c_str(), rc.left, rc.top, rc.right, rc.bottom,
           control->IsVisible() ? 1 : 0);
  Print(out, line);
  auto* container = static_cast<IContainerUI*>(control->InterfaceFor(L"IContainer"));
  if (container == nullptr) return;
  for (int i = 0; i < container->Count(); ++i) Dump(out, container->ItemAt(i), depth + 1);
}

bool EndsWith7z(const std::wstring& path) {
  return path.size() > 3 && _wcsicmp(path.c_str() + path.size() - 3, L".7z") == 0;
}

std::vector<unsigned char> ReadWhole(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (argc != 5) {
    Print(out, L"usage: layout_dump <skin folder or .7z file> <layout file> <width> <height>");
    return 2;
  }
  const std::wstring source = argv[1];
  const int width = _wtoi(argv[3]);
  const int height = _wtoi(argv[4]);

  CManagerUI::SetAppInstance(GetModuleHandleW(nullptr));
  CManagerUI::SetArchiveIs7z(true);
  std::vector<unsigned char> archive;
  if (EndsWith7z(source)) {
    archive = ReadWhole(source);
    if (archive.empty()) {
      Print(out, L"Error opening zip file");
      return 1;
    }
    CManagerUI::UseArchiveBytes(archive.data(), archive.size());
  } else {
    CManagerUI::SetSkinRoot(source);
  }

  CManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Build(argv[2], nullptr, nullptr, &manager);
  if (root == nullptr) {
    if (builder.Document().IsValid()) {
      Print(out, L"The layout holds no control that can be built");
    } else {
      Print(out, std::wstring(builder.ErrorMessage()) + L" at: " + builder.ErrorLocation());
    }
    return 1;
  }
  manager.InstallRoot(root);
  root->Place(RECT{0, 0, width, height}, false);
  Dump(out, root, 0);
  manager.InstallRoot(nullptr);
  return 0;
}
