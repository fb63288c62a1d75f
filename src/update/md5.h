#pragma once
// The MD5 message digest (RFC 1321), for package checks and HTTP Digest authentication.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class MD5 {
 public:
  MD5() { init(); }
  void init();
  void update(const void* data, std::size_t length);
  // The digest of everything added so far; adding more afterwards goes on from there.
  const std::array<std::uint8_t, 16>& digest();
  // 32 hexadecimal digits, upper case unless lower is asked for.
  std::string hex(bool lower = false);

 private:
  void transform(const std::uint8_t block[64]);

  std::uint32_t state_[4];
  std::uint32_t count_[2];  // bits hashed, low word first
  std::uint8_t buffer_[64];
  bool finished_ = false;
  std::array<std::uint8_t, 16> digest_{};
};
