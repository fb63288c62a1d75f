#pragma once
// The signing side of launcher-publish: a key pair for the operator, and the signature of a
// release folder's manifest.
#include <filesystem>
#include <optional>
#include <string>

// launcher-publish keygen KEYFILE: the private key in KEYFILE (PEM, owner only), its public
// point in KEYFILE.pub and on standard output as the hexadecimal text product.ini takes.
int runKeygen(const std::filesystem::path& keyFile);

struct SigningOptions {
  std::filesystem::path keyFile;
  std::string expires;  // "YYYY-MM-DDTHH:MM:SSZ"
  std::string nextKey;  // hexadecimal point, or empty
};

// "--expires" takes a UTC time or a number of days from now; nothing when it is neither.
std::optional<std::string> expiryTime(const std::string& value);
// The public key in a KEYFILE.pub (or any file holding the hexadecimal point); nothing when
// the file holds no P-256 point.
std::optional<std::string> publicKeyFile(const std::filesystem::path& file);

// Signs outFolder's release.json into release.json.sig; the error, or nothing.
std::optional<std::string> signReleaseFolder(const SigningOptions& options,
                                             const std::filesystem::path& outFolder);
