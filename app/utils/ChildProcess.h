#pragma once
// A hidden child process with its standard handles redirected to pipes.
//
// Thread contract: one owner thread starts, reads and closes it. Reading the
// output pipe blocks until the child writes or until the child and every
// process that inherited its handles have exited. The child's standard error
// leads nowhere: writes to it fail instead of filling an unread pipe.

#include <windows.h>

#include <memory>
#include <string>

#include "app/utils/Pipe.h"

namespace Utils {

class ChildProcess {
 public:
  // Command lines of this length or longer are refused rather than cut.
  static const size_t kMaxCommandLine = 1024;

  ChildProcess();
  ~ChildProcess() { Close(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the command line hidden. Throws Utils::Exception when the command
  // line does not fit, a pipe cannot be created or the process cannot start.
  void Start(const std::wstring& command_line);
  // Closes the process and thread handles and every pipe end still open.
  void Close();

  HANDLE Process() const { return info_.hProcess; }
  HANDLE MainThread() const { return info_.hThread; }
  // The parent's end of the child's standard output.
  HANDLE OutputRead() const { return out_ ? out_->ReadEnd() : nullptr; }
  // The parent's end of the child's standard input.
  HANDLE InputWrite() const { return in_ ? in_->WriteEnd() : nullptr; }

 private:
  wchar_t command_[kMaxCommandLine];
  std::unique_ptr<Pipe> err_;
  std::unique_ptr<Pipe> out_;
  std::unique_ptr<Pipe> in_;
  PROCESS_INFORMATION info_;
};

}  // namespace Utils
