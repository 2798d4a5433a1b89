#include "orvui/resources/SkinFiles.h"

#include "orvui/manager/ManagerUI.h"
#include "orvui/resources/SkinArchive.h"

namespace OrvUI {

namespace {

// The archive decoder answers 0, or 0x600 for an entry that it read with a
// warning; both leave the whole entry in the buffer.
bool IsReadSuccess(unsigned result) { return result == 0 || result == 0x600; }

enum class FileRead { Ok, CannotOpen, Empty, TooLarge, Short };

FileRead ReadWholeFile(const std::wstring& path, size_t limit, std::vector<unsigned char>* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileRead::CannotOpen;
  LARGE_INTEGER length{};
  FileRead result = FileRead::Ok;
  if (!GetFileSizeEx(file, &length)) {
    result = FileRead::Short;
  } else if (length.QuadPart == 0) {
    result = FileRead::Empty;
  } else if (static_cast<unsigned long long>(length.QuadPart) > limit) {
    result = FileRead::TooLarge;
  } else {
    bytes->resize(static_cast<size_t>(length.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) ||
        read != bytes->size()) {
      result = FileRead::Short;
    }
  }
  CloseHandle(file);
  if (result != FileRead::Ok) bytes->clear();
  return result;
}

// The held archive, or one opened for a single read (closed by the caller).
CSkinArchive::Handle ArchiveForRead(bool* openedHere) {
  *openedHere = false;
  if (CManagerUI::ArchiveHeld()) return CManagerUI::ArchiveHandle();
  if (!CManagerUI::ArchiveIs7z()) return nullptr;  // only 7z archives are read
  *openedHere = true;
  return CSkinArchive::OpenFile((CManagerUI::SkinRoot() + CManagerUI::ArchiveName()).c_str());
}

// Reads one archive entry; the error text is set for the markup reader.
bool ReadArchiveEntry(const wchar_t* name, size_t limit, std::vector<unsigned char>* bytes,
                      const wchar_t** error) {
  bool openedHere = false;
  CSkinArchive::Handle archive = ArchiveForRead(&openedHere);
  bool ok = false;
  int index = 0;
  uint64_t size = 0;
  if (archive == nullptr) {
    *error = L"Error opening zip file";
  } else if (CSkinArchive::FindEntry(archive, name, &index, &size) != CSkinArchive::kOk) {
    *error = L"Could not find ziped file";
  } else if (size == 0) {
    *error = L"File is empty";
  } else if (size > limit) {
    *error = L"File too large";
  } else {
    bytes->resize(static_cast<size_t>(size));
    ok = IsReadSuccess(CSkinArchive::ReadEntry(archive, index, bytes->data()));
    if (!ok) {
      bytes->clear();
      *error = L"Could not unzip file";
    }
  }
  if (openedHere && archive != nullptr) CSkinArchive::CloseArchive(archive);
  return ok;
}

bool ReadModuleResource(const wchar_t* name, const wchar_t* type,
                        std::vector<unsigned char>* bytes) {
  HMODULE module = CManagerUI::ResourceModule();
  HRSRC info = FindResourceW(module, name, type);
  if (info == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, info);
  const DWORD size = SizeofResource(module, info);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return false;
  const unsigned char* begin = static_cast<const unsigned char*>(data);
  bytes->assign(begin, begin + size);
  FreeResource(loaded);
  return true;
}

}  // namespace

bool ReadSkinMarkup(const std::wstring& name, std::vector<unsigned char>* bytes,
                    const wchar_t** error) {
  bytes->clear();
  if (CManagerUI::ArchiveName().empty()) {
    switch (ReadWholeFile(CManagerUI::SkinRoot() + name, kMaxMarkupBytes, bytes)) {
      case FileRead::Ok:
        return true;
      case FileRead::CannotOpen:
        *error = L"Error opening file";
        return false;
      case FileRead::Empty:
        *error = L"File is empty";
        return false;
      case FileRead::TooLarge:
        *error = L"File too large";
        return false;
      case FileRead::Short:
        *error = L"Could not read file";
        return false;
    }
    return false;
  }
  return ReadArchiveEntry(name.c_str(), kMaxMarkupBytes, bytes, error);
}

bool ReadSkinImage(const wchar_t* name, const wchar_t* resourceType,
                   std::vector<unsigned char>* bytes) {
  bytes->clear();
  if (name == nullptr) return false;
  const bool numeric = IS_INTRESOURCE(name);
  // Images have no size limit of their own; 2 GiB keeps one read call safe.
  const size_t noLimit = 0x7FFFFFFF;
  if (resourceType == nullptr || *resourceType == 0) {
    if (numeric) return false;
    const wchar_t* ignored = nullptr;
    if (CManagerUI::ArchiveName().empty()) {
      ReadWholeFile(CManagerUI::SkinRoot() + name, noLimit, bytes);
    } else {
      ReadArchiveEntry(name, noLimit, bytes, &ignored);
    }
  } else if (ReadModuleResource(name, resourceType, bytes)) {
    return true;
  }
  if (bytes->empty() && !numeric) {
    // A name found nowhere in the skin may still be a plain file path.
    ReadWholeFile(name, noLimit, bytes);
  }
  return !bytes->empty();
}

}  // namespace OrvUI
