#include "app/utils/ChildProcess.h"

#include <cwchar>

#include "app/utils/Exception.h"

namespace Utils {

ChildProcess::ChildProcess() : command_{}, info_{} {}

void ChildProcess::Start(const std::wstring& command_line) {
  Close();
  if (command_line.size() >= kMaxCommandLine) throw Exception();
  wmemcpy(command_, command_line.c_str(), command_line.size() + 1);

  try {
    err_.reset(new Pipe());
    out_.reset(new Pipe());
    in_.reset(new Pipe());
  } catch (...) {
    Close();
    throw;
  }
  // The parent's ends must not leak into the child, or the output pipe would
  // never report its end while the child's copy of the read end stays open.
  SetHandleInformation(out_->ReadEnd(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_->ReadEnd(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(in_->WriteEnd(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = in_->ReadEnd();
  startup.hStdOutput = out_->WriteEnd();
  startup.hStdError = err_->WriteEnd();
  if (!CreateProcessW(nullptr, command_, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info_)) {
    info_ = PROCESS_INFORMATION{};
    Close();
    throw Exception();
  }
  out_->CloseWrite();
  in_->CloseRead();
  // Nobody reads the child's standard error. With the read end open, a child
  // that writes more than the pipe holds there would block for ever; with
  // both ends closed here, its writes fail at once and it goes on.
  err_->Close();
}

void ChildProcess::Close() {
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
  info_ = PROCESS_INFORMATION{};
  err_.reset();
  out_.reset();
  in_.reset();
}

}  // namespace Utils
