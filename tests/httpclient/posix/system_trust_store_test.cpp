// The system's trust store as players' systems ship it, without LAUNCHER_EXTRA_CA_FILE: only a
// bundle file, only a hashed folder, or neither. The store is read once per process, so each
// case runs in a fresh copy of this program with SSL_CERT_FILE and SSL_CERT_DIR pointed at the
// test authority.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "httpclient/http_client.h"
#include "support/child_program.h"
#include "support/file_facts.h"
#include "support/temp_folder.h"
#include "support/test_authority.h"
#include "support/test_server.h"

using namespace testing_support;

namespace {

constexpr const char* fetch_marker = "LAUNCHER_TEST_TRUST_STORE_URL";
constexpr const char* outcome_prefix = "fetch outcome: ";

// Inside the copy: one request, its result and reason on standard output.
void report_fetch(const char* url) {
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  const std::int32_t sent = HTTPClientSendRequest(context.get(), url, nullptr, 0, 0, 4, 0, nullptr);
  std::printf("%s%d %s\n", outcome_prefix, sent, HTTPClientGetSecureFailure(context.get()));
}

TEST(SystemTrustStore, ABundleFileOrAHashedFolderIsEnough) {
  if (const char* url = std::getenv(fetch_marker)) return report_fetch(url);
  const test_authority authority;
  ASSERT_TRUE(authority.ready());
  temp_folder files;
  write_bytes(files.path() / "tiny.txt", "hello");
  const test_server server(files.path(), authority.server_options(server_certificate::good));
  ASSERT_TRUE(server.running());

  const auto hashed = files.path() / "hashed";
  std::filesystem::create_directories(hashed);
  std::filesystem::copy_file(authority.authority_file(), hashed / "authority.pem");
  const auto rehash = run_child("/usr/bin/openssl", {"rehash", hashed.string()}, files.path(), {});
  ASSERT_EQ(rehash.exit_code, 0) << rehash.output;
  const auto missing = (files.path() / "missing").string();

  const struct {
    std::string bundle, folder, outcome;
  } cases[] = {
      {authority.authority_file().string(), missing, "0 "},
      {missing, hashed.string(), "0 "},
      {missing, missing,
       "30 the system's trust store cannot be read: neither " + missing + " nor " + missing},
  };
  for (const auto& c : cases) {
    const auto copy = run_child(
        own_program(), {"--gtest_filter=SystemTrustStore.ABundleFileOrAHashedFolderIsEnough"},
        files.path(),
        {{fetch_marker, server.secure_base_url() + "/tiny.txt"},
         {"LAUNCHER_EXTRA_CA_FILE", ""},
         {"SSL_CERT_FILE", c.bundle},
         {"SSL_CERT_DIR", c.folder}});
    EXPECT_NE(copy.output.find(outcome_prefix + c.outcome + "\n"), std::string::npos)
        << c.bundle << " / " << c.folder << ":\n" << copy.output;
  }
}

}  // namespace
