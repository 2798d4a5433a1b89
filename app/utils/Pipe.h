#pragma once
// An anonymous pipe whose two ends can be inherited by a child process.
// Owned by one object (a ChildProcess); not shared between threads.

#include <windows.h>

namespace Utils {

class Pipe {
 public:
  // Creates both ends; throws Utils::Exception (with both ends closed) when
  // the system refuses.
  Pipe();
  ~Pipe() { Close(); }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  HANDLE ReadEnd() const { return read_; }
  HANDLE WriteEnd() const { return write_; }
  void CloseRead();
  void CloseWrite();
  void Close() {
    CloseRead();
    CloseWrite();
  }

 private:
  HANDLE write_ = nullptr;
  HANDLE read_ = nullptr;
};

}  // namespace Utils
