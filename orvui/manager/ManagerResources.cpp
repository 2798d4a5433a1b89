// The process-wide skin resource settings of CManagerUI.

#include "orvui/manager/ManagerUI.h"
#include "orvui/manager/ProcessState.h"

namespace OrvUI {

ProcessState& Process() {
  static ProcessState state;
  return state;
}

namespace {

// Only 7z archives are read. The ZIP format that the switch could select has
// no use in the installer, so with the switch off an archive is never opened
// and every read from it fails as an archive that cannot be opened.
CSkinArchive::Handle OpenArchiveFile(const std::wstring& path) {
  if (!Process().archiveIs7z) return nullptr;
  return CSkinArchive::OpenFile(path.c_str());
}

void CloseHeldArchive() {
  ProcessState& p = Process();
  if (p.archive != nullptr) CSkinArchive::CloseArchive(p.archive);
  p.archive = nullptr;
}

}  // namespace

void CManagerUI::SetAppInstance(HINSTANCE instance) { Process().instance = instance; }
HINSTANCE CManagerUI::AppInstance() { return Process().instance; }

std::wstring CManagerUI::AppFolder() {
  if (Process().instance == nullptr) return std::wstring();
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(Process().instance, path, MAX_PATH);
  std::wstring folder(path, length);
  const size_t slash = folder.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return folder.substr(0, slash + 1);
}

void CManagerUI::SetResourceModule(HINSTANCE module) { Process().resourceModule = module; }

HINSTANCE CManagerUI::ResourceModule() {
  return Process().resourceModule != nullptr ? Process().resourceModule : Process().instance;
}

void CManagerUI::SetSkinRoot(const std::wstring& path) {
  std::wstring root = path;
  if (!root.empty() && root.back() != L'\\' && root.back() != L'/') root += L'\\';
  Process().skinRoot = root;
}

const std::wstring& CManagerUI::SkinRoot() { return Process().skinRoot; }

void CManagerUI::UseArchiveBytes(const void* bytes, size_t size) {
  ProcessState& p = Process();
  // Later windows reuse the archive that the first one decoded.
  if (p.archiveName == L"membuffer") return;
  if (p.archiveHeld) CloseHeldArchive();
  p.archiveName = L"membuffer";
  p.archiveHeld = true;
  // With the 7z switch off the bytes would be a ZIP archive, which is never
  // read (see OpenArchiveFile): the handle stays null.
  p.archive = p.archiveIs7z ? CSkinArchive::OpenBytes(bytes, size) : nullptr;
}

void CManagerUI::UseArchiveFile(const std::wstring& name, bool keepOpen) {
  ProcessState& p = Process();
  if (name == p.archiveName && keepOpen == p.archiveHeld) return;
  CloseHeldArchive();
  p.archiveName = name;
  p.archiveHeld = keepOpen;
  if (keepOpen) p.archive = OpenArchiveFile(p.skinRoot + name);
}

const std::wstring& CManagerUI::ArchiveName() { return Process().archiveName; }
bool CManagerUI::ArchiveHeld() { return Process().archiveHeld; }
CSkinArchive::Handle CManagerUI::ArchiveHandle() { return Process().archive; }
void CManagerUI::SetArchiveIs7z(bool is7z) { Process().archiveIs7z = is7z; }
bool CManagerUI::ArchiveIs7z() { return Process().archiveIs7z; }

}  // namespace OrvUI
