// The client against Debian's nginx: the same bytes as on disk, whatever the size.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "httpclient/http_client.h"
#include "support/nginx_server.h"
#include "support/temp_folder.h"
#include "support/test_authority.h"

using namespace testing_support;

namespace {

struct download {
  std::int32_t status = 0, content_length = -1, last = -1;
  std::string body;
};

download fetch(const std::string& url, const char* range) {
  download d;
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  HTTPClientSetVerb(context.get(), HTTP_VERB_GET);
  if (HTTPClientSendRequest(context.get(), url.c_str(), nullptr, 0, 0, 4, 0, range) != HC_OK ||
      HTTPClientRecvResponse(context.get(), 3) != HC_OK)
    return d;
  d.status = HTTPClientGetStatus(context.get());
  d.content_length = HTTPClientGetContentLength(context.get());
  std::vector<char> buffer(2048);
  do {
    std::uint32_t got = 0;
    d.last = HTTPClientRecvBody(context.get(), buffer.data(), 2048, 8, &got);
    d.body.append(buffer.data(), got);
  } while (d.last == HC_OK);
  return d;
}

TEST(NginxInterop, DownloadsFilesByteForByte) {
  temp_folder files;
  const struct {
    std::string name;
    std::size_t size;
  } cases[] = {{"one.bin", 1}, {"dir/a.zip", 2047}, {"b.zip", 2048}, {"c.zip", 65537},
               {"d.zip", 3 * 1024 * 1024 + 5}};
  unsigned seed = 10;
  for (const auto& c : cases) {
    std::filesystem::create_directories((files.path() / c.name).parent_path());
    write_bytes(files.path() / c.name, random_bytes(c.size, seed++));
  }
  nginx_server nginx(files.path());
  ASSERT_TRUE(nginx.running()) << nginx.error_log();
  for (const auto& c : cases) {
    const auto d = fetch(nginx.base_url() + "/" + c.name + "?12345", nullptr);
    EXPECT_EQ(d.status, 200) << c.name;
    EXPECT_EQ(d.content_length, static_cast<std::int32_t>(c.size)) << c.name;
    EXPECT_EQ(d.last, HC_END_OF_DATA) << c.name;
    EXPECT_TRUE(d.body == read_bytes(files.path() / c.name)) << c.name;
  }
  // The bare "Range: N" of a repeated attempt is no byte range: nginx sends the whole file.
  const auto repeat = fetch(nginx.base_url() + "/c.zip", "700");
  EXPECT_EQ(repeat.status, 200);
  EXPECT_EQ(repeat.body.size(), 65537u);
  EXPECT_EQ(fetch(nginx.base_url() + "/missing.zip", nullptr).status, 404);
}

// Whatever protocols the server allows from TLS 1.2 on; the second request of a run resumes
// the first one's session, as the second package of an update does.
TEST(NginxInterop, DownloadsTheLargestPackageSizeOverHttpsAndResumesTheSession) {
  temp_folder files;
  const test_authority authority;
  ASSERT_TRUE(authority.ready());
  const struct {
    std::string protocols, name;
    std::size_t size;
    std::string log;
  } cases[] = {
      {"TLSv1.2 TLSv1.3", "28MB.zip", 28 * 1000 * 1000,
       "/28MB.zip TLSv1.3 .\n/missing.zip TLSv1.3 r\n"},
      {"TLSv1.3", "b.zip", 70000, "/b.zip TLSv1.3 .\n/missing.zip TLSv1.3 r\n"},
      {"TLSv1.2", "b.zip", 70000, "/b.zip TLSv1.2 .\n/missing.zip TLSv1.2 r\n"},
  };
  unsigned seed = 20;
  for (const auto& c : cases) {
    write_bytes(files.path() / c.name, random_bytes(c.size, seed++));
    nginx_server nginx(files.path(),
                       nginx_tls{authority.certificate_file(server_certificate::good),
                                 authority.key_file(server_certificate::good), c.protocols});
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    const auto d = fetch(nginx.base_url() + "/" + c.name, nullptr);
    EXPECT_EQ(d.status, 200) << c.protocols;
    EXPECT_EQ(d.content_length, static_cast<std::int32_t>(c.size)) << c.protocols;
    EXPECT_EQ(d.last, HC_END_OF_DATA) << c.protocols;
    EXPECT_TRUE(d.body == read_bytes(files.path() / c.name)) << c.protocols;
    EXPECT_EQ(fetch(nginx.base_url() + "/missing.zip", nullptr).status, 404) << c.protocols;
    // nginx writes the line once the answer has left.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (nginx.access_log() != c.log && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(nginx.access_log(), c.log) << c.protocols;
  }
}

}  // namespace
