#pragma once
// A certificate authority of the tests and server certificates, made with openssl by
// tools/make_test_certs.sh (run on the Linux side, also from a test under Wine), and the
// client's trust in that authority while the object lives: on Linux through
// LAUNCHER_EXTRA_CA_FILE, under Wine in the prefix's own root store.
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace testing_support {

enum class server_certificate {
  good, wrong_host, expired, unknown_authority, self_signed,
  // Names that test the identity checks (see make_test_certs.sh).
  ip_8, ip_10, ip_as_name, partial_wildcard, bare_wildcard, ip_wildcard, nested_wildcard
};

// The name of the certificate's files (NAME.pem, NAME.key) as make_test_certs.sh writes them.
inline std::string certificate_file_stem(server_certificate which) {
  switch (which) {
    case server_certificate::good: return "good";
    case server_certificate::wrong_host: return "wrong-host";
    case server_certificate::expired: return "expired";
    case server_certificate::unknown_authority: return "unknown-authority";
    case server_certificate::self_signed: return "self-signed";
    case server_certificate::ip_8: return "ip-8";
    case server_certificate::ip_10: return "ip-10";
    case server_certificate::ip_as_name: return "ip-as-name";
    case server_certificate::partial_wildcard: return "partial-wildcard";
    case server_certificate::bare_wildcard: return "bare-wildcard";
    case server_certificate::ip_wildcard: return "ip-wildcard";
    case server_certificate::nested_wildcard: return "nested-wildcard";
  }
  return "good";
}

class test_authority {
 public:
  test_authority();
  ~test_authority();
  test_authority(const test_authority&) = delete;
  test_authority& operator=(const test_authority&) = delete;

  // Whether the certificates were made and the authority is trusted.
  bool ready() const { return ready_; }
  // The options that make test_server serve https with that certificate ("--tls CERT KEY").
  std::vector<std::string> server_options(server_certificate which) const;
  // The authority's certificate as the server program (of the Linux side) names it.
  std::string authority_file_for_server() const;
  // The authority's certificate (PEM).
  std::filesystem::path authority_file() const { return folder_.path() / "ca.pem"; }
  // A server certificate (PEM) and its key, for servers of this system (nginx).
  std::filesystem::path certificate_file(server_certificate which) const {
    return folder_.path() / (certificate_file_stem(which) + ".pem");
  }
  std::filesystem::path key_file(server_certificate which) const {
    return folder_.path() / (certificate_file_stem(which) + ".key");
  }

 private:
  bool make();
  bool trust();
  void stop_trusting();

  temp_folder folder_;
  bool ready_ = false;
};

}  // namespace testing_support
