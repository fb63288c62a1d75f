#include <gtest/gtest.h>

#include <string>

#include "httpclient/http_context.h"

using namespace http_client;

namespace {

struct context_owner {
  HTTPClientContext* context = HTTPClientCreateContext(0);
  ~context_owner() { HTTPClientFreeContext(&context); }
};

std::string text(text_span span) { return span.start ? std::string(span.start, span.length) : ""; }

TEST(ParseUrl, SplitsUrlsIntoHostPortAndResource) {
  const struct {
    std::string url;
    std::string host, resource;
    std::uint16_t port;
    std::uint32_t options;
  } cases[] = {
      {"http://host/a/b.zip", "host", "/a/b.zip", 80, 0},
      {"http://host", "host", "/", 80, 0},
      {"http://host:8080/x", "host:8080", "/x", 8080, 0x020},
      {"http://host:8080", "host:8080", "/", 8080, 0x020},
      {"HTTP://Host/Q?x=1&y=2", "Host", "/Q?x=1&y=2", 80, 0},
      {"https://host/x", "host", "/x", 443, 0x050},
      {"https://host:8443/x", "host:8443", "/x", 8443, 0x070},
      {"http://127.0.0.1:00065535/", "127.0.0.1:00065535", "/", 65535, 0x020},
      // Blanks in the path and query would split the request line: they travel as %20.
      {"http://host/my games/a b.zip?x y", "host", "/my%20games/a%20b.zip?x%20y", 80, 0},
  };
  for (const auto& c : cases) {
    context_owner owner;
    ASSERT_EQ(ParseUrl(owner.context, c.url.c_str()), HC_OK) << c.url;
    EXPECT_EQ(text(owner.context->host), c.host) << c.url;
    EXPECT_EQ(text(owner.context->resource), c.resource) << c.url;
    EXPECT_EQ(owner.context->port, c.port) << c.url;
    EXPECT_EQ(owner.context->options, c.options) << c.url;
    EXPECT_TRUE(owner.context->state & STATE_URL_PARSED) << c.url;
  }
}

TEST(ParseUrl, RefusesWhatIsNotAnHttpUrl) {
  const struct {
    std::string url;
    std::int32_t result;
  } cases[] = {
      {"ftp://host/x", HC_BAD_URL},
      {"http:/host/x", HC_BAD_URL},
      {"http//host/x", HC_BAD_URL},
      {"host/x", HC_BAD_URL},
      {"httpx://host/x", HC_BAD_URL},
      {"htt://host/x", HC_BAD_URL},
      {"http://host:123456789/x", HC_BAD_URL},  // a colon and nine digits
      {"http://host:" + std::string(20, '1'), HC_BAD_URL},
      {"http://host:65536/x", HC_BAD_URL},  // would wrap to port 0
      {"http://host:12345678/x", HC_BAD_URL},
      // Control bytes would reach the request line or the Host header as they are.
      {"http://host/a.zip\r\nX-Injected: 1", HC_BAD_URL},
      {"http://host\r\nX-Injected: 1/a.zip", HC_BAD_URL},
      {"http://host/a\nGET /b HTTP/1.1", HC_BAD_URL},
      {"http://host/a\tb", HC_BAD_URL},
      {"http://host/a\x01", HC_BAD_URL},
      {"http://host/a\x7f", HC_BAD_URL},
      {"http://ho st/x", HC_BAD_URL},
      {"http://host:80 /x", HC_BAD_URL},
      {"http ://host/x", HC_BAD_URL},
  };
  for (const auto& c : cases) {
    context_owner owner;
    EXPECT_EQ(ParseUrl(owner.context, c.url.c_str()), c.result) << c.url;
  }
}

TEST(ParseUrl, TakesUrlsUpTo511Bytes) {
  const std::string prefix = "http://host/";
  const std::string url511 = prefix + std::string(511 - prefix.size(), 'a');
  const std::string url512 = prefix + std::string(512 - prefix.size(), 'a');
  context_owner owner;
  ASSERT_EQ(ParseUrl(owner.context, url511.c_str()), HC_OK);
  EXPECT_EQ(text(owner.context->resource).size(), 511 - prefix.size() + 1);
  EXPECT_EQ(ParseUrl(owner.context, url512.c_str()), HC_URL_TOO_LONG);
  // The slash appended to a 511-byte URL without a path still fits the copy.
  const std::string bare = "http://" + std::string(504, 'h');
  ASSERT_EQ(bare.size(), 511u);
  ASSERT_EQ(ParseUrl(owner.context, bare.c_str()), HC_OK);
  EXPECT_EQ(text(owner.context->resource), "/");
  EXPECT_EQ(ParseUrl(nullptr, "http://host/"), HC_NO_CONTEXT);
  // The limit holds for the URL as sent, with its blanks written as %20.
  const std::string blanks511 = prefix + "a b" + std::string(509 - prefix.size() - 3, 'a');
  const std::string blanks512 = blanks511 + "a";
  ASSERT_EQ(ParseUrl(owner.context, blanks511.c_str()), HC_OK);
  EXPECT_EQ(text(owner.context->resource).size(), 511 - prefix.size() + 1);
  EXPECT_EQ(ParseUrl(owner.context, blanks512.c_str()), HC_URL_TOO_LONG);
}

TEST(ResolveHost, TakesDottedAddressesAndRefusesPartsAbove255) {
  const struct {
    const char* name;
    bool ok;
    std::uint32_t address;  // host order
  } cases[] = {
      {"127.0.0.1", true, 0x7F000001},
      {"127.0.0.255", true, 0x7F0000FF},
      {"255.255.255.254", true, 0xFFFFFFFE},
      {"127.0.0.256", false, 0},
      {"300.0.0.1", false, 0},
      {"1.2.3.4.5", false, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t address = 12345;
    EXPECT_EQ(ResolveHost(c.name, &address), c.ok) << c.name;
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    const std::uint32_t host_order = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                     (std::uint32_t{b[2]} << 8) | b[3];
    EXPECT_EQ(host_order, c.address) << c.name;
  }
}

TEST(ResolveHost, LooksUpNames) {
  std::uint32_t address = 0;
  ASSERT_TRUE(ResolveHost("localhost", &address));
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&address)[0], 127);
  EXPECT_FALSE(ResolveHost("no-such-host.invalid", &address));
  EXPECT_EQ(address, 0u);
}

TEST(Context, CreationSetsDefaultsAndFreeNullsTheHandle) {
  HTTPClientContext* context = HTTPClientCreateContext(0x005);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->port, 80);
  EXPECT_EQ(context->state, STATE_CREATED);
  EXPECT_EQ(context->options, 0x005u);
  EXPECT_EQ(context->socket, platform::net::invalid_socket);
  EXPECT_STREQ(context->verb_text, "GET");
  EXPECT_EQ(HTTPClientGetStatus(context), 0);

  EXPECT_EQ(HTTPClientSetVerb(context, HTTP_VERB_POST), HC_OK);
  EXPECT_STREQ(context->verb_text, "POST");
  EXPECT_EQ(HTTPClientSetVerb(context, 1), HC_BAD_VERB);
  EXPECT_EQ(context->verb, 1);
  EXPECT_STREQ(context->verb_text, "POST");

  EXPECT_EQ(HTTPClientFreeContext(&context), HC_OK);
  EXPECT_EQ(context, nullptr);
  EXPECT_EQ(HTTPClientFreeContext(&context), HC_NO_CONTEXT);
  EXPECT_EQ(HTTPClientFreeContext(nullptr), HC_NO_CONTEXT);
}

TEST(Context, EveryCallRefusesANullContext) {
  std::uint32_t received = 7;
  char buffer[8];
  EXPECT_EQ(HTTPClientSetVerb(nullptr, 0), HC_NO_CONTEXT);
  EXPECT_EQ(HTTPClientSendRequest(nullptr, "http://127.0.0.1/", nullptr, 0, 0, 1, 0, nullptr),
            HC_NO_CONTEXT);
  EXPECT_EQ(HTTPClientRecvResponse(nullptr, 1), HC_NO_CONTEXT);
  EXPECT_EQ(HTTPClientRecvBody(nullptr, buffer, sizeof buffer, 1, &received), HC_NO_CONTEXT);
  EXPECT_EQ(Connect(nullptr), HC_NO_CONTEXT);
  EXPECT_EQ(Disconnect(nullptr), HC_NO_CONTEXT);
}

TEST(Context, DisconnectWithoutSocketIsRefused) {
  context_owner owner;
  EXPECT_EQ(Disconnect(owner.context), HC_SOCKET_FAILED);
}

TEST(Context, WinsockStartupStartsAndCleansUp) {
  EXPECT_EQ(WinsockStartup(1), 0);
  EXPECT_EQ(WinsockStartup(0), 0);
}

}  // namespace
