#pragma once
// The publisher's side of signed releases for the launcher's tests: keys and signatures in the
// launcher's formats (hexadecimal public point, hexadecimal r || s). On Linux the publisher's
// own signer; under Wine, where the launcher only checks, openssl on the Linux side
// (tools/sign_for_tests.sh).
#include <filesystem>
#include <string>

namespace testing_support {

// Makes a new private key in key_file and returns its public point; "" when it could not.
std::string make_release_key(const std::filesystem::path& key_file);
// The signature of text by the key in key_file; "" when it could not be made.
std::string sign_release(const std::filesystem::path& key_file, const std::string& text);

}  // namespace testing_support
