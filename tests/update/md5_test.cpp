#include <gtest/gtest.h>

#include <string>

#include "update/md5.h"

namespace {

std::string md5_of(const std::string& text) {
  MD5 md5;
  md5.update(text.data(), text.size());
  return md5.hex(true);
}

TEST(Md5, MatchesTheTestSuiteOfRfc1321) {
  const struct {
    std::string input, digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(md5_of(c.input), c.digest) << c.input;
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigestAndDigestDoesNotDisturbTheState) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += static_cast<char>(i * 7);
  const std::string whole = md5_of(text);
  for (const std::size_t piece : {1u, 63u, 64u, 65u, 1024u}) {
    MD5 md5;
    for (std::size_t at = 0; at < text.size(); at += piece) {
      md5.update(text.data() + at, std::min(piece, text.size() - at));
      if (at == piece * 3) md5.digest();  // asking early changes nothing
    }
    EXPECT_EQ(md5.hex(true), whole) << piece;
  }
  MD5 upper;
  EXPECT_EQ(upper.hex(), "D41D8CD98F00B204E9800998ECF8427E");
}

}  // namespace
