#pragma once
// Cuts the byte chunks read from a child's standard output into whole status
// lines. A line that the child's writes or the pipe's reads cut in two is
// kept until its line feed arrives, so that no status line is lost or read
// as two halves. Lines stay bytes: each is decoded on its own with the code
// page in force when it is handled, so that an "Encode=" line applies from
// the next line on, wherever the reads happened to cut the output.
//
// Thread contract: owned and used by one runner worker; not shared.

#include <string>
#include <vector>

class CStatusLineBuffer {
 public:
  // A child that never ends its line must not make the buffer grow without
  // bound: past this many bytes the kept bytes are handed on as a line.
  static const size_t kMaxKeptBytes = 1 << 20;

  // Adds one chunk as it was read and returns the lines it completes,
  // without their line feeds. A chunk counts up to its first zero byte, as
  // status output is a multi-byte text.
  std::vector<std::string> Take(const char* data, size_t size);

  // A last line that never got its line feed; empties the buffer.
  std::string Rest();

 private:
  std::string kept_;
};
