// Basic and Digest answers, checked by the test server's own hashlib implementation.
#include <gtest/gtest.h>

#include <memory>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "httpclient/http_context.h"
#include "support/temp_folder.h"
#include "support/test_server.h"

using namespace testing_support;

namespace {

struct exchange {
  std::int32_t send = -1, response = -1, status = 0;
  std::string body;
};

class HttpAuth : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    files_ = std::make_unique<temp_folder>();
    write_bytes(files_->path() / "secret.txt", "the secret");
    server_ = std::make_unique<test_server>(files_->path());
  }
  static void TearDownTestSuite() {
    server_.reset();
    files_.reset();
  }
  void SetUp() override { ASSERT_TRUE(server_->running()); }

  static exchange get(const std::string& path, std::uint32_t scheme, const char* user,
                      const char* password) {
    exchange e;
    HTTPClientContextPtr context(HTTPClientCreateContext(0));
    EXPECT_EQ(HTTPClientSetAuth(context.get(), scheme, user, password), HC_OK);
    e.send = HTTPClientSendRequest(context.get(), (server_->base_url() + path).c_str(), nullptr, 0,
                                   0, 4, 0, nullptr);
    if (e.send != HC_OK) return e;
    e.response = HTTPClientRecvResponse(context.get(), 3);
    e.status = HTTPClientGetStatus(context.get());
    char buffer[256];
    std::uint32_t got = 0;
    std::int32_t result;
    do {
      result = HTTPClientRecvBody(context.get(), buffer, sizeof buffer, 3, &got);
      e.body.append(buffer, got);
    } while (result == HC_OK);
    return e;
  }

  // Every logged request for path, in order.
  static std::vector<std::string> requests_for(const std::string& path) {
    std::vector<std::string> found;
    for (const auto& r : server_->requests())
      if (r.rfind("GET " + path + " ", 0) == 0) found.push_back(r);
    return found;
  }

  static std::unique_ptr<temp_folder> files_;
  static std::unique_ptr<test_server> server_;
};

std::unique_ptr<temp_folder> HttpAuth::files_;
std::unique_ptr<test_server> HttpAuth::server_;

TEST_F(HttpAuth, BasicAnswersTheChallenge) {
  const auto ok = get("/auth/auth=basic:bob:s3cret/secret.txt", HTTP_AUTH_BASIC, "bob", "s3cret");
  EXPECT_EQ(ok.send, HC_OK);
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.body, "the secret");
  const auto sent = requests_for("/auth/auth=basic:bob:s3cret/secret.txt");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(request_header(sent[0], "Authorization"), "");
  EXPECT_EQ(request_header(sent[1], "Authorization"), "Authorization: Basic Ym9iOnMzY3JldA==");

  const auto wrong = get("/auth/auth=basic:bob:s3cret,close/secret.txt", HTTP_AUTH_BASIC, "bob",
                         "guess");
  EXPECT_EQ(wrong.send, HC_OK);
  EXPECT_EQ(wrong.status, 403);
}

TEST_F(HttpAuth, DigestAnswersTheChallengeInTheFieldOrder) {
  for (const std::string options : {"auth=digest:alice:pw", "auth=digest:alice:pw,opaque=0p4q",
                                    "auth=digest:alice:pw,algorithm=MD5",
                                    "auth=digest:alice:pw,algorithm=MD5-sess",
                                    "auth=digest:alice:pw,close"}) {
    const std::string path = "/auth/" + options + "/secret.txt?x=1";
    const auto e = get(path, HTTP_AUTH_DIGEST, "alice", "pw");
    EXPECT_EQ(e.send, HC_OK) << options;
    EXPECT_EQ(e.status, 200) << options;
    EXPECT_EQ(e.body, "the secret") << options;
    const auto sent = requests_for(path);
    ASSERT_EQ(sent.size(), 2u) << options;
    const std::regex form(
        "Authorization: Digest username=\"alice\", realm=\"launcher\", qop=\"auth\", "
        "algorithm=\"(MD5|MD5-sess)\", uri=\"/auth/[^\"]+/secret.txt\\?x=1\", nonce=\"[0-9a-f]{32}\", "
        "nc=00000001, cnonce=\"[0-9a-f]{32}\", (opaque=\"0p4q\", )?response=\"[0-9a-f]{32}\"");
    EXPECT_TRUE(std::regex_match(request_header(sent[1], "Authorization"), form))
        << request_header(sent[1], "Authorization");
  }
}

TEST_F(HttpAuth, DigestWithWrongPasswordIsRejectedByTheServer) {
  const auto e = get("/auth/auth=digest:alice:pw/secret.txt", HTTP_AUTH_DIGEST, "alice", "pW");
  EXPECT_EQ(e.send, HC_OK);
  EXPECT_EQ(e.status, 403);
}

TEST_F(HttpAuth, ProxyChallengeIsAnsweredWithProxyAuthorization) {
  const std::string path = "/auth/auth=digest:carol:pw,proxy/secret.txt";
  const auto e = get(path, HTTP_AUTH_DIGEST, "carol", "pw");
  EXPECT_EQ(e.status, 200);
  const auto sent = requests_for(path);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(request_header(sent[1], "Proxy-Authorization").rfind("Proxy-Authorization: Digest username=\"carol\"", 0), 0u);
}

TEST_F(HttpAuth, DigestChallengesTheClientCannotAnswer) {
  // Without qop: the line stops before the qop value.
  const std::string no_qop = "/auth/auth=digest:a:b,qop=none/secret.txt";
  EXPECT_EQ(get(no_qop, HTTP_AUTH_DIGEST, "a", "b").send, HC_AUTH_PARAM_MISSING);
  EXPECT_EQ(get("/auth/auth=digest:a:b,algorithm=SHA-256/secret.txt", HTTP_AUTH_DIGEST, "a", "b")
                .send,
            HC_AUTH_ALGORITHM);
  // The scheme offered is not the one asked for.
  EXPECT_EQ(get("/auth/auth=basic:a:b/secret.txt", HTTP_AUTH_DIGEST, "a", "b").send,
            HC_AUTH_MISMATCH);
  // Credentials given but the server asks for none.
  EXPECT_EQ(get("/secret.txt", HTTP_AUTH_BASIC, "a", "b").send, HC_AUTH_MISMATCH);

  ASSERT_TRUE(server_->wait_for_requests(1, 2000));
  std::string partial;
  for (int i = 0; i < 100 && partial.empty(); ++i) {
    for (const auto& r : requests_for(no_qop))
      if (r.find("Authorization") != std::string::npos) partial = r;
    if (partial.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The server logs what arrived before the client closed: the line up to the realm.
  const std::string stop = "\r\nAuthorization: Digest username=\"a\", realm=\"launcher\"";
  ASSERT_GE(partial.size(), stop.size()) << partial;
  EXPECT_EQ(partial.substr(partial.size() - stop.size()), stop) << partial;
}

TEST_F(HttpAuth, CredentialsThatDoNotFitAreRefused) {
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  EXPECT_EQ(HTTPClientSetAuth(context.get(), HTTP_AUTH_BASIC, "sixteen-bytes-xx", "pw"),
            HC_HEADER_BUFFER_FULL);
  EXPECT_EQ(HTTPClientSetAuth(context.get(), HTTP_AUTH_NEGOTIATE, "a", "b"), HC_AUTH_UNSUPPORTED);
}

}  // namespace
