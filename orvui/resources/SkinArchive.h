#pragma once
// One decoded 7z skin archive.
//
// Thread contract: UI thread only, no locking. The handle owns every entry's
// bytes; opening decodes the whole archive once and no call decompresses
// again. None of the calls block beyond the decoding done by the opens.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace OrvUI {

struct SkinArchiveEntry {
  std::wstring name;   // as stored, folders separated by "/"
  int nameLength = 0;  // UTF-16 units including the terminating zero
  int index = 0;       // index of the file in the archive
  uint32_t sizeLow = 0;
  uint32_t sizeHigh = 0;
  std::vector<unsigned char> bytes;

  uint64_t Size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

class CSkinArchive {
 public:
  using Handle = CSkinArchive*;
  static constexpr unsigned kOk = 0;
  static constexpr unsigned kFailed = 0x10000;

  // Copies the bytes first, so the caller may free its buffer at once.
  static Handle OpenBytes(const void* bytes, size_t size);
  // The path is handed to the file system in the system ANSI code page.
  static Handle OpenFile(const wchar_t* path);
  static unsigned FindEntry(Handle archive, const wchar_t* name, int* index, uint64_t* size);
  // The buffer must hold the size reported by FindEntry.
  static unsigned ReadEntry(Handle archive, int index, void* buffer);
  static unsigned CloseArchive(Handle archive);

  const std::vector<SkinArchiveEntry>& Entries() const { return entries_; }

 private:
  CSkinArchive() = default;
  bool Decode();

  std::vector<unsigned char> data_;
  std::vector<SkinArchiveEntry> entries_;
};

}  // namespace OrvUI
