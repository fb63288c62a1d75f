#include "update/md5.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t rotate_left(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// One step of each round (RFC 1321, 3.4); written out in full below so that every shift and
// constant is known at compile time, which is what makes hashing large packages fast.
inline void stepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
                  std::uint32_t t) {
  a = b + rotate_left((a + x + t) + (d ^ (b & (c ^ d))), s);
}
inline void stepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
                  std::uint32_t t) {
  a = b + rotate_left((a + x + t) + ((b & d) + (c & ~d)), s);
}
inline void stepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
                  std::uint32_t t) {
  a = b + rotate_left((a + x + t) + (b ^ c ^ d), s);
}
inline void stepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
                  std::uint32_t t) {
  a = b + rotate_left((a + x + t) + (c ^ (b | ~d)), s);
}

// The chaining words stay in registers from one block to the next.
void processBlocks(std::uint32_t state[4], const std::uint8_t* block, std::size_t count) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; count > 0; --count, block += 64) {
    std::uint32_t x[16];
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(x, block, sizeof x);  // the words are little-endian already
    } else {
      for (int i = 0; i < 16; ++i) {
        x[i] = static_cast<std::uint32_t>(block[i * 4]) | (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16) |
               (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);
      }
    }
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    stepF(a, b, c, d, x[0], 7, 0xd76aa478);
    stepF(d, a, b, c, x[1], 12, 0xe8c7b756);
    stepF(c, d, a, b, x[2], 17, 0x242070db);
    stepF(b, c, d, a, x[3], 22, 0xc1bdceee);
    stepF(a, b, c, d, x[4], 7, 0xf57c0faf);
    stepF(d, a, b, c, x[5], 12, 0x4787c62a);
    stepF(c, d, a, b, x[6], 17, 0xa8304613);
    stepF(b, c, d, a, x[7], 22, 0xfd469501);
    stepF(a, b, c, d, x[8], 7, 0x698098d8);
    stepF(d, a, b, c, x[9], 12, 0x8b44f7af);
    stepF(c, d, a, b, x[10], 17, 0xffff5bb1);
    stepF(b, c, d, a, x[11], 22, 0x895cd7be);
    stepF(a, b, c, d, x[12], 7, 0x6b901122);
    stepF(d, a, b, c, x[13], 12, 0xfd987193);
    stepF(c, d, a, b, x[14], 17, 0xa679438e);
    stepF(b, c, d, a, x[15], 22, 0x49b40821);

    stepG(a, b, c, d, x[1], 5, 0xf61e2562);
    stepG(d, a, b, c, x[6], 9, 0xc040b340);
    stepG(c, d, a, b, x[11], 14, 0x265e5a51);
    stepG(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    stepG(a, b, c, d, x[5], 5, 0xd62f105d);
    stepG(d, a, b, c, x[10], 9, 0x02441453);
    stepG(c, d, a, b, x[15], 14, 0xd8a1e681);
    stepG(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    stepG(a, b, c, d, x[9], 5, 0x21e1cde6);
    stepG(d, a, b, c, x[14], 9, 0xc33707d6);
    stepG(c, d, a, b, x[3], 14, 0xf4d50d87);
    stepG(b, c, d, a, x[8], 20, 0x455a14ed);
    stepG(a, b, c, d, x[13], 5, 0xa9e3e905);
    stepG(d, a, b, c, x[2], 9, 0xfcefa3f8);
    stepG(c, d, a, b, x[7], 14, 0x676f02d9);
    stepG(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    stepH(a, b, c, d, x[5], 4, 0xfffa3942);
    stepH(d, a, b, c, x[8], 11, 0x8771f681);
    stepH(c, d, a, b, x[11], 16, 0x6d9d6122);
    stepH(b, c, d, a, x[14], 23, 0xfde5380c);
    stepH(a, b, c, d, x[1], 4, 0xa4beea44);
    stepH(d, a, b, c, x[4], 11, 0x4bdecfa9);
    stepH(c, d, a, b, x[7], 16, 0xf6bb4b60);
    stepH(b, c, d, a, x[10], 23, 0xbebfbc70);
    stepH(a, b, c, d, x[13], 4, 0x289b7ec6);
    stepH(d, a, b, c, x[0], 11, 0xeaa127fa);
    stepH(c, d, a, b, x[3], 16, 0xd4ef3085);
    stepH(b, c, d, a, x[6], 23, 0x04881d05);
    stepH(a, b, c, d, x[9], 4, 0xd9d4d039);
    stepH(d, a, b, c, x[12], 11, 0xe6db99e5);
    stepH(c, d, a, b, x[15], 16, 0x1fa27cf8);
    stepH(b, c, d, a, x[2], 23, 0xc4ac5665);

    stepI(a, b, c, d, x[0], 6, 0xf4292244);
    stepI(d, a, b, c, x[7], 10, 0x432aff97);
    stepI(c, d, a, b, x[14], 15, 0xab9423a7);
    stepI(b, c, d, a, x[5], 21, 0xfc93a039);
    stepI(a, b, c, d, x[12], 6, 0x655b59c3);
    stepI(d, a, b, c, x[3], 10, 0x8f0ccc92);
    stepI(c, d, a, b, x[10], 15, 0xffeff47d);
    stepI(b, c, d, a, x[1], 21, 0x85845dd1);
    stepI(a, b, c, d, x[8], 6, 0x6fa87e4f);
    stepI(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    stepI(c, d, a, b, x[6], 15, 0xa3014314);
    stepI(b, c, d, a, x[13], 21, 0x4e0811a1);
    stepI(a, b, c, d, x[4], 6, 0xf7537e82);
    stepI(d, a, b, c, x[11], 10, 0xbd3af235);
    stepI(c, d, a, b, x[2], 15, 0x2ad7d2bb);
    stepI(b, c, d, a, x[9], 21, 0xeb86d391);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

}  // namespace

void MD5::init() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  count_[0] = count_[1] = 0;
  finished_ = false;
}

void MD5::transform(const std::uint8_t block[64]) { processBlocks(state_, block, 1); }

void MD5::update(const void* data, std::size_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  finished_ = false;
  std::size_t used = (count_[0] >> 3) & 0x3F;
  const std::uint64_t bits = (static_cast<std::uint64_t>(count_[1]) << 32 | count_[0]) +
                             (static_cast<std::uint64_t>(length) << 3);
  count_[0] = static_cast<std::uint32_t>(bits);
  count_[1] = static_cast<std::uint32_t>(bits >> 32);
  if (used) {
    const std::size_t take = std::min<std::size_t>(64 - used, length);
    std::memcpy(buffer_ + used, bytes, take);
    used += take;
    bytes += take;
    length -= take;
    if (used < 64) return;
    transform(buffer_);
  }
  const std::size_t blocks = length / 64;
  processBlocks(state_, bytes, blocks);
  bytes += blocks * 64;
  length -= blocks * 64;
  std::memcpy(buffer_, bytes, length);
}

const std::array<std::uint8_t, 16>& MD5::digest() {
  if (finished_) return digest_;
  // Pad a copy so that more data may still be added afterwards.
  MD5 copy = *this;
  std::uint8_t length_bytes[8];
  for (int i = 0; i < 8; ++i) length_bytes[i] = static_cast<std::uint8_t>(count_[i / 4] >> ((i % 4) * 8));
  const std::size_t used = (count_[0] >> 3) & 0x3F;
  const std::size_t padding = used < 56 ? 56 - used : 120 - used;
  static const std::uint8_t pad[64] = {0x80};
  copy.update(pad, padding);
  copy.update(length_bytes, 8);
  for (int i = 0; i < 16; ++i) digest_[i] = static_cast<std::uint8_t>(copy.state_[i / 4] >> ((i % 4) * 8));
  finished_ = true;
  return digest_;
}

std::string MD5::hex(bool lower) {
  const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
  std::string out;
  for (const auto byte : digest()) {
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
  }
  return out;
}
