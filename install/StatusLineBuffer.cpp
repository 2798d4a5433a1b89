#include "install/StatusLineBuffer.h"

#include <cstring>

#include "app/utils/Text.h"

std::wstring CStatusLineBuffer::Take(const char* data, size_t size, UINT code_page) {
  const void* zero = memchr(data, 0, size);
  if (zero) size = static_cast<size_t>(static_cast<const char*>(zero) - data);
  kept_.append(data, size);

  const size_t last_feed = kept_.rfind('\n');
  if (last_feed == std::string::npos) {
    if (kept_.size() < kMaxKeptBytes) return std::wstring();
    return Rest(code_page);
  }
  // Line feeds are never part of a multi-byte sequence in the code pages a
  // child may announce, so cutting the bytes there keeps every character.
  const std::string complete = kept_.substr(0, last_feed + 1);
  kept_.erase(0, last_feed + 1);
  return Utils::FromMultiByte(complete, code_page);
}

std::wstring CStatusLineBuffer::Rest(UINT code_page) {
  std::wstring text = Utils::FromMultiByte(kept_, code_page);
  kept_.clear();
  return text;
}
