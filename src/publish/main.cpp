// launcher-publish: turns a game folder into a release the launcher installs, and checks one.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "publish/build_command.h"
#include "publish/check_command.h"

namespace {

constexpr char USAGE[] =
    "usage: launcher-publish build GAME_DIR OUT_DIR [--previous DIR] [--base-url URL]\n"
    "                              [--package-size BYTES]\n"
    "                              [--sign KEYFILE [--expires DAYS|YYYY-MM-DDTHH:MM:SSZ]\n"
    "                               [--next-key PUBFILE]]\n"
    "       launcher-publish check OUT_DIR\n"
    "       launcher-publish keygen KEYFILE\n";

constexpr char DEFAULT_EXPIRY_DAYS[] = "90";

int usage() {
  std::fputs(USAGE, stderr);
  return 2;
}

std::optional<BuildOptions> buildOptions(const std::vector<std::string_view>& args) {
  BuildOptions options;
  std::vector<std::string_view> folders;
  std::optional<std::string> expires, nextKeyFile;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--previous" && hasValue) {
      options.previousFolder = std::string(args[++i]);
    } else if (arg == "--base-url" && hasValue) {
      options.baseAddress = args[++i];
      // The launcher puts each package's name right behind the address.
      if (!options.baseAddress.empty() && options.baseAddress.back() != '/') options.baseAddress += '/';
    } else if (arg == "--package-size" && hasValue) {
      const std::string_view value = args[++i];
      const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), options.packageSize);
      if (failure != std::errc() || end != value.data() + value.size()) return std::nullopt;
    } else if (arg == "--sign" && hasValue) {
      options.signing = SigningOptions{std::string(args[++i]), {}, {}};
    } else if (arg == "--expires" && hasValue) {
      expires = std::string(args[++i]);
    } else if (arg == "--next-key" && hasValue) {
      nextKeyFile = std::string(args[++i]);
    } else if (arg.starts_with("--")) {
      return std::nullopt;
    } else {
      folders.push_back(arg);
    }
  }
  if (folders.size() != 2 || (!options.signing && (expires || nextKeyFile))) return std::nullopt;
  if (options.signing) {
    // A signed release always expires: a frozen copy of it stops counting by itself.
    const auto expiry = expiryTime(expires.value_or(DEFAULT_EXPIRY_DAYS));
    const auto nextKey = nextKeyFile ? publicKeyFile(*nextKeyFile) : std::string();
    if (!expiry || !nextKey) return std::nullopt;
    options.signing->expires = *expiry;
    options.signing->nextKey = *nextKey;
  }
  options.gameFolder = std::string(folders[0]);
  options.outFolder = std::string(folders[1]);
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "check") return runCheck(std::string(args[1]));
  if (args.size() == 2 && args[0] == "keygen") return runKeygen(std::string(args[1]));
  if (args.empty() || args[0] != "build") return usage();
  const auto options = buildOptions({args.begin() + 1, args.end()});
  return options ? runBuild(*options) : usage();
}
