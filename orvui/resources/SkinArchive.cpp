#include "orvui/resources/SkinArchive.h"

#include <windows.h>

#include <cstring>

#include "app/utils/Text.h"

extern "C" {
#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
}

namespace OrvUI {
namespace {

const ISzAlloc kAllocMain = {SzAlloc, SzFree};
const ISzAlloc kAllocTemp = {SzAllocTemp, SzFreeTemp};

// A look-ahead stream straight over the private copy of the archive: the
// whole archive is already in memory, so no intermediate buffer is needed.
struct MemoryLookStream {
  ILookInStream vt;
  const unsigned char* data;
  size_t size;
  size_t pos;
};

MemoryLookStream* Self(ILookInStreamPtr p) {
  return const_cast<MemoryLookStream*>(reinterpret_cast<const MemoryLookStream*>(p));
}

SRes Look(ILookInStreamPtr p, const void** buf, size_t* size) {
  MemoryLookStream* s = Self(p);
  const size_t remain = s->size - s->pos;
  if (*size > remain) *size = remain;
  *buf = s->data + s->pos;
  return SZ_OK;
}

SRes Skip(ILookInStreamPtr p, size_t offset) {
  MemoryLookStream* s = Self(p);
  if (offset > s->size - s->pos) return SZ_ERROR_INPUT_EOF;
  s->pos += offset;
  return SZ_OK;
}

SRes Read(ILookInStreamPtr p, void* buf, size_t* size) {
  MemoryLookStream* s = Self(p);
  const size_t remain = s->size - s->pos;
  if (*size > remain) *size = remain;
  if (*size) std::memcpy(buf, s->data + s->pos, *size);
  s->pos += *size;
  return SZ_OK;
}

SRes Seek(ILookInStreamPtr p, Int64* pos, ESzSeek origin) {
  MemoryLookStream* s = Self(p);
  Int64 base = 0;
  if (origin == SZ_SEEK_CUR) base = static_cast<Int64>(s->pos);
  if (origin == SZ_SEEK_END) base = static_cast<Int64>(s->size);
  const Int64 target = base + *pos;
  if (target < 0 || static_cast<UInt64>(target) > s->size) return SZ_ERROR_INPUT_EOF;
  s->pos = static_cast<size_t>(target);
  *pos = target;
  return SZ_OK;
}

bool g_crcReady = false;

}  // namespace

bool CSkinArchive::Decode() {
  if (!g_crcReady) {
    CrcGenerateTable();
    g_crcReady = true;
  }
  MemoryLookStream stream{};
  stream.vt.Look = Look;
  stream.vt.Skip = Skip;
  stream.vt.Read = Read;
  stream.vt.Seek = Seek;
  stream.data = data_.data();
  stream.size = data_.size();

  CSzArEx db;
  SzArEx_Init(&db);
  if (SzArEx_Open(&db, &stream.vt, &kAllocMain, &kAllocTemp) != SZ_OK) {
    SzArEx_Free(&db, &kAllocMain);
    return false;
  }

  // One block cache for every item, so a solid archive is unpacked once.
  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* outBuffer = nullptr;
  size_t outBufferSize = 0;
  std::vector<UInt16> name;
  for (UInt32 i = 0; i < db.NumFiles; ++i) {
    if (SzArEx_IsDir(&db, i)) continue;
    const size_t nameLength = SzArEx_GetFileNameUtf16(&db, i, nullptr);
    if (nameLength == 0) break;
    name.assign(nameLength, 0);
    SzArEx_GetFileNameUtf16(&db, i, name.data());

    size_t offset = 0;
    size_t processed = 0;
    if (SzArEx_Extract(&db, &stream.vt, i, &blockIndex, &outBuffer, &outBufferSize, &offset,
                       &processed, &kAllocMain, &kAllocTemp) != SZ_OK) {
      break;  // Entries decoded so far stay usable.
    }
    // A damaged header could describe an item beyond the unpacked block;
    // such an item ends the walk like any other unpacking failure.
    if (offset > outBufferSize || processed > outBufferSize - offset) break;

    SkinArchiveEntry entry;
    entry.name.assign(reinterpret_cast<const wchar_t*>(name.data()), nameLength - 1);
    entry.name.resize(std::wcslen(entry.name.c_str()));
    entry.nameLength = static_cast<int>(entry.name.size()) + 1;
    entry.index = static_cast<int>(i);
    const uint64_t size = processed;
    entry.sizeLow = static_cast<uint32_t>(size & 0xFFFFFFFFu);
    entry.sizeHigh = static_cast<uint32_t>(size >> 32);
    entry.bytes.assign(outBuffer + offset, outBuffer + offset + processed);
    entries_.push_back(std::move(entry));
  }
  ISzAlloc_Free(&kAllocMain, outBuffer);
  SzArEx_Free(&db, &kAllocMain);
  return true;
}

CSkinArchive::Handle CSkinArchive::OpenBytes(const void* bytes, size_t size) {
  if (bytes == nullptr || size == 0) return nullptr;
  CSkinArchive* archive = new CSkinArchive();
  const unsigned char* begin = static_cast<const unsigned char*>(bytes);
  archive->data_.assign(begin, begin + size);
  const bool ok = archive->Decode();
  // The compressed copy is no longer needed once everything is unpacked.
  archive->data_.clear();
  archive->data_.shrink_to_fit();
  if (!ok) {
    delete archive;
    return nullptr;
  }
  return archive;
}

CSkinArchive::Handle CSkinArchive::OpenFile(const wchar_t* path) {
  if (path == nullptr || *path == 0) return nullptr;
  const std::string ansi = Utils::ToUtf8(path, CP_ACP);
  HANDLE file = CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER length{};
  std::vector<unsigned char> bytes;
  bool ok = GetFileSizeEx(file, &length) && length.QuadPart > 0 &&
            static_cast<uint64_t>(length.QuadPart) < (static_cast<uint64_t>(1) << 31);
  if (ok) {
    bytes.resize(static_cast<size_t>(length.QuadPart));
    DWORD read = 0;
    ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
         read == bytes.size();
  }
  CloseHandle(file);
  if (!ok) return nullptr;
  return OpenBytes(bytes.data(), bytes.size());
}

unsigned CSkinArchive::FindEntry(Handle archive, const wchar_t* name, int* index, uint64_t* size) {
  if (archive == nullptr || name == nullptr) return kFailed;
  std::wstring wanted(name);
  for (wchar_t& c : wanted) {
    if (c == L'\\') c = L'/';
  }
  const int wantedLength = static_cast<int>(wanted.size()) + 1;
  for (const SkinArchiveEntry& entry : archive->entries_) {
    if (entry.nameLength != wantedLength) continue;
    if (lstrcmpiW(entry.name.c_str(), wanted.c_str()) != 0) continue;
    if (index) *index = entry.index;
    if (size) *size = entry.Size();
    return kOk;
  }
  return kFailed;
}

unsigned CSkinArchive::ReadEntry(Handle archive, int index, void* buffer) {
  if (archive == nullptr) return kFailed;
  for (const SkinArchiveEntry& entry : archive->entries_) {
    if (entry.index != index) continue;
    if (!entry.bytes.empty() && buffer != nullptr) {
      std::memcpy(buffer, entry.bytes.data(), entry.bytes.size());
    }
    return kOk;
  }
  return kFailed;
}

unsigned CSkinArchive::CloseArchive(Handle archive) {
  if (archive == nullptr) return kFailed;
  delete archive;
  return kOk;
}

}  // namespace OrvUI
