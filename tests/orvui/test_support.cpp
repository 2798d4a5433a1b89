#include "tests/orvui/test_support.h"

#include "orvui/manager/ManagerUI.h"

namespace OrvUITest {

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring SkinFolder() { return ExeFolder() + L"skin\\"; }
std::wstring SkinArchivePath() { return ExeFolder() + L"skin.7z"; }

std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty())
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

void UseLooseSkin(const std::wstring& root) {
  OrvUI::CManagerUI::UseArchiveFile(L"", false);
  OrvUI::CManagerUI::SetSkinRoot(root);
}

void UseSkinArchive(const std::vector<unsigned char>& bytes) {
  OrvUI::CManagerUI::UseArchiveFile(L"", false);
  OrvUI::CManagerUI::SetArchiveIs7z(true);
  OrvUI::CManagerUI::UseArchiveBytes(bytes.data(), bytes.size());
}

}  // namespace OrvUITest
