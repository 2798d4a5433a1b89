#pragma once

#include <exception>

namespace Utils {

// Thrown only when a pipe or a child process cannot be created. It carries no
// message: callers only need to know that the start failed.
class Exception : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

}  // namespace Utils
