#include "publish/signing_commands.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/signature.h"
#include "platform/signing_key.h"
#include "release/release_signature.h"

namespace {

std::optional<std::string> fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int runKeygen(const std::filesystem::path& keyFile) {
  const platform::signing_result made = platform::make_signing_key(keyFile);
  if (!made.error.empty()) {
    std::fprintf(stderr, "%s\n", made.error.c_str());
    return 1;
  }
  const std::string publicKey = hexText(made.bytes);
  std::filesystem::path publicFile = keyFile;
  publicFile += ".pub";
  if (!writeFile(publicFile, publicKey + "\n")) {
    std::fprintf(stderr, "%s: cannot be written\n", publicFile.string().c_str());
    return 1;
  }
  std::printf("%s\n", publicKey.c_str());
  return 0;
}

std::optional<std::string> expiryTime(const std::string& value) {
  if (utcSeconds(value)) return value;
  int days = 0;
  const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), days);
  if (failure != std::errc() || end != value.data() + value.size() || days < 1 || days > 36500)
    return std::nullopt;
  return utcText(platform::unix_time() + std::int64_t{days} * 86400);
}

std::optional<std::string> publicKeyFile(const std::filesystem::path& file) {
  const auto text = fileText(file);
  const auto point = text ? hexBytes(*text) : std::nullopt;
  if (!point || point->size() != platform::signature_public_key_size || (*point)[0] != 0x04)
    return std::nullopt;
  return hexText(*point);
}

std::optional<std::string> signReleaseFolder(const SigningOptions& options,
                                             const std::filesystem::path& outFolder) {
  const auto manifest = fileText(outFolder / RELEASE_MANIFEST_FILE);
  if (!manifest) return (outFolder / RELEASE_MANIFEST_FILE).string() + ": cannot be read";
  const platform::signing_result signature = platform::sign_with_key(options.keyFile, *manifest);
  if (!signature.error.empty()) return signature.error;
  if (!writeFile(outFolder / RELEASE_SIGNATURE_FILE, hexText(signature.bytes) + "\n"))
    return (outFolder / RELEASE_SIGNATURE_FILE).string() + ": cannot be written";
  return std::nullopt;
}
