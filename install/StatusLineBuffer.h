#pragma once
// Turns the byte chunks read from a child's standard output into whole
// status lines. A line that the child's writes or the pipe's reads cut in two
// is kept until its line feed arrives, so that no status line is lost or
// read as two halves.
//
// Thread contract: owned and used by one runner worker; not shared.

#include <windows.h>

#include <string>

class CStatusLineBuffer {
 public:
  // A child that never ends its line must not make the buffer grow without
  // bound: past this many bytes the kept text is handed on as it stands.
  static const size_t kMaxKeptBytes = 1 << 20;

  // Adds one chunk as it was read and returns the text of the lines it
  // completes, each still ending with its line feed, decoded with the code
  // page in force for this chunk. A chunk counts up to its first zero byte,
  // as status output is a multi-byte text.
  std::wstring Take(const char* data, size_t size, UINT code_page);

  // The text of a last line that never got its line feed; empties the buffer.
  std::wstring Rest(UINT code_page);

 private:
  std::string kept_;
};
