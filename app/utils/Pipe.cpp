#include "app/utils/Pipe.h"

#include "app/utils/Exception.h"

namespace Utils {

Pipe::Pipe() {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
  if (!CreatePipe(&read_, &write_, &attributes, 0)) {
    read_ = write_ = nullptr;
    throw Exception();
  }
}

void Pipe::CloseRead() {
  if (read_) CloseHandle(read_);
  read_ = nullptr;
}

void Pipe::CloseWrite() {
  if (write_) CloseHandle(write_);
  write_ = nullptr;
}

}  // namespace Utils
