#pragma once
// SHA-256 from the system's own cryptography: no digest code of our own.
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class sha256 {
 public:
  sha256();
  ~sha256();
  sha256(const sha256&) = delete;
  sha256& operator=(const sha256&) = delete;

  void update(const void* data, std::size_t length);
  // 64 lower-case hexadecimal digits of everything added, empty when the system could not
  // compute it; the object is spent after.
  std::string hex();

 private:
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace platform
