#include <gtest/gtest.h>

#include "platform/sha256.h"
#include "platform/signature.h"

namespace {

std::string bytes_of(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

// Made with the openssl command: "openssl dgst -sha256 -sign" over the message, the DER
// signature spelled as r || s.
const std::string key = bytes_of(
    "0453c9a4dd52d5de4b36463003c879ad12aba146e28581f0a0f9422e519cd22b34a4ec18b3a3d6df66d56c6c2119"
    "d3e8ee3555cc89b639d46f2b31c30305802786");
const std::string other_key = bytes_of(
    "0477d03fb9e4dff452b63448cb45ecacd4ca1653ec7407ebdaa4adf25af4fb014e14d3e68965f418ca8720813b80"
    "44dc1cad5aa4159cdfa594f6f3c05b2c1e0938");
const std::string signature = bytes_of(
    "2c4819c3790b98a2bedb7b5f34e3918d34a2523c414517da6490762a1309d0519683527f5832b0e84e227813ba06"
    "8b1b500e073f1511dcd5da94fd0c8f40a776");

std::string with_flipped_byte(std::string text, std::size_t at) {
  text[at] = static_cast<char>(text[at] ^ 0x01);
  return text;
}

struct SignatureCase {
  const char* name;
  std::string key;
  std::string message;
  std::string signature;
  const char* reason;  // empty for a valid signature; nothing when any refusal will do
};

TEST(Signature, TheSystemChecksP256SignaturesAsTheOpensslCommandMakesThem) {
  const SignatureCase cases[] = {
      {"valid", key, "release 7", signature, ""},
      {"changed message", key, "release 8", signature, "the signature does not match"},
      {"changed r", key, "release 7", with_flipped_byte(signature, 5), "the signature does not match"},
      {"changed s", key, "release 7", with_flipped_byte(signature, 40), "the signature does not match"},
      {"other key", other_key, "release 7", signature, "the signature does not match"},
      // Wine's CNG takes any point at import and refuses at the check.
      {"point off the curve", with_flipped_byte(key, 64), "release 7", signature, nullptr},
      {"short key", key.substr(1), "release 7", signature,
       "the public key is not a 65-byte P-256 point"},
      {"short signature", key, "release 7", signature.substr(0, 63), "the signature is not 64 bytes"},
  };
  for (const auto& c : cases) {
    const platform::signature_check check = platform::verify_signature(c.key, c.message, c.signature);
    EXPECT_EQ(check.valid, c.reason && std::string(c.reason).empty()) << c.name;
    if (c.reason) {
      EXPECT_EQ(check.reason, c.reason) << c.name;
    }
  }
}

TEST(Sha256, DigestsInPiecesAsTheStandardVectorsSay) {
  platform::sha256 empty;
  EXPECT_EQ(empty.hex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  platform::sha256 abc;
  abc.update("a", 1);
  abc.update("bc", 2);
  EXPECT_EQ(abc.hex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
