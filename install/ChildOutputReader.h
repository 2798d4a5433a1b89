#pragma once
// Reads a running child's standard output in chunks of at most 1024 bytes.
//
// Thread contract: used by one runner worker only. `Read` blocks the worker
// until output arrives or the output has ended, without spinning: between
// looks at the pipe it sleeps in a wait on the child process. The reader
// neither owns nor closes the handles it is given.
//
// The output counts as ended when every writer has closed the pipe, or when
// the child has ended and everything it left in the pipe has been read. The
// second rule matters when a program the child started inherited the pipe
// and keeps it open after the child is gone.

#include <windows.h>

#include <string>

class CChildOutputReader {
 public:
  static const DWORD kChunkSize = 1024;
  // How long the worker sleeps between looks at an empty pipe.
  static const DWORD kPollMilliseconds = 100;

  CChildOutputReader(HANDLE output, HANDLE process) : output_(output), process_(process) {}

  // The next chunk of output; false once the output has ended.
  bool Read(std::string* chunk);

 private:
  HANDLE output_;
  HANDLE process_;
  bool process_ended_ = false;
};
