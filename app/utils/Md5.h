#pragma once
// The MD5 message digest (RFC 1321). One object hashes one message; not
// shared between threads.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Utils {

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t size);
  // Ends the message and returns the digest as 32 lower-case hexadecimal
  // digits. The object must not be updated afterwards.
  std::string FinishHex();

 private:
  void Transform(const uint8_t* block);

  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes hashed so far
  uint8_t buffer_[64];
  size_t buffered_ = 0;
};

}  // namespace Utils
