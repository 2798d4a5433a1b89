#include "install/StatusLineBuffer.h"

#include <cstring>

std::vector<std::string> CStatusLineBuffer::Take(const char* data, size_t size) {
  const void* zero = memchr(data, 0, size);
  if (zero) size = static_cast<size_t>(static_cast<const char*>(zero) - data);
  kept_.append(data, size);

  // Line feeds are never part of a multi-byte sequence in the code pages a
  // child may announce, so cutting the bytes there keeps every character.
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t feed = kept_.find('\n'); feed != std::string::npos; feed = kept_.find('\n', start)) {
    lines.push_back(kept_.substr(start, feed - start));
    start = feed + 1;
  }
  kept_.erase(0, start);
  if (kept_.size() >= kMaxKeptBytes) lines.push_back(Rest());
  return lines;
}

std::string CStatusLineBuffer::Rest() {
  std::string line;
  line.swap(kept_);
  return line;
}
