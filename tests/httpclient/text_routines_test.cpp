#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "httpclient/http_text.h"
#include "update/base64.h"

using namespace http_client;

namespace {

std::string text(text_span span) { return std::string(span.start, span.length); }

TEST(TextRoutines, EqualsNoCaseComparesWholeWords) {
  EXPECT_TRUE(EqualsNoCase("HTTP", "http", 0));
  EXPECT_TRUE(EqualsNoCase("Keep-Alive", "keep-alive", 0));
  EXPECT_FALSE(EqualsNoCase("https", "http", 0));
  EXPECT_FALSE(EqualsNoCase("htt", "http", 0));
  EXPECT_TRUE(EqualsNoCase("HTTPS://x", "https", 5));
  // "@" counts as the lower-case "`", as every character from 0x40 to 0x5A is shifted.
  EXPECT_TRUE(EqualsNoCase("@", "`", 0));
}

TEST(TextRoutines, FindNoCaseLooksAtALimitedNumberOfCandidates) {
  const char* line = " bbbbbbbbb Basic realm";
  const auto length = static_cast<std::uint32_t>(std::strlen(line));
  EXPECT_EQ(FindNoCase(line, length, 8, "basic"), nullptr);  // the ninth "b" is too far
  EXPECT_EQ(FindNoCase(line, length, 10, "basic"), line + 11);
  const char* digest = " Digest x";
  EXPECT_EQ(FindNoCase(digest, 9, 8, "DIGEST"), digest + 1);
}

TEST(TextRoutines, FindInRangeSearchesOnlyTheRange) {
  const char* text_ = "abc\r\ndef\r\n";
  text_span found;
  ASSERT_TRUE(FindInRange(text_, "\r\n", 5, 5, &found));
  EXPECT_EQ(found.start, text_ + 5);
  EXPECT_EQ(found.length, 3u);
  EXPECT_FALSE(FindInRange(text_, "\r\n", 5, 4, &found));
}

TEST(TextRoutines, HeaderValueDropsSpaces) {
  const std::string line = "\r\nContent-Length: 1 000\r\nX: y";
  char out[16];
  std::uint32_t size = 15;
  ASSERT_TRUE(HeaderValue(line.data(), static_cast<std::uint32_t>(line.size()), out, &size));
  EXPECT_STREQ(out, "1000");
  EXPECT_EQ(size, 4u);
  size = 3;
  EXPECT_FALSE(HeaderValue(line.data(), static_cast<std::uint32_t>(line.size()), out, &size));
}

TEST(TextRoutines, ParamValueReadsQuotedAndBareValues) {
  const std::string challenge =
      "\r\nWWW-Authenticate: Digest realm=\"a b\", qop=auth,algorithm= MD5-sess, nonce=\"n\"\r\n"
      "X-Other: opaque=\"no\"";
  const auto length = static_cast<std::uint32_t>(challenge.find("\r\nX-"));
  text_span value;
  ASSERT_EQ(ParamValue(challenge.data(), length, "realm", &value), HC_OK);
  EXPECT_EQ(text(value), "a b");
  ASSERT_EQ(ParamValue(challenge.data(), length, "QOP", &value), HC_OK);
  EXPECT_EQ(text(value), "auth");
  ASSERT_EQ(ParamValue(challenge.data(), length, "algorithm", &value), HC_OK);
  EXPECT_EQ(text(value), "MD5-sess");
  ASSERT_EQ(ParamValue(challenge.data(), length, "nonce", &value), HC_OK);
  EXPECT_EQ(text(value), "n");
  // Only the challenge line is searched, not the header after it.
  EXPECT_EQ(ParamValue(challenge.data(), length, "opaque", &value), HC_AUTH_PARAM_MISSING);
}

// The values go back to the server in the Authorization line, where a NUL has no place.
TEST(TextRoutines, ParamValueEndsAtANul) {
  const std::string challenge("Digest opaque=\"5c\0X: y\", nonce=n\0z", 34);
  text_span value;
  ASSERT_EQ(ParamValue(challenge.data(), 34, "opaque", &value), HC_OK);
  EXPECT_EQ(text(value), "5c");
  ASSERT_EQ(ParamValue(challenge.data(), 34, "nonce", &value), HC_OK);
  EXPECT_EQ(text(value), "n");
}

TEST(TextRoutines, ParseHexReadsChunkSizes) {
  const struct {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"1a", 26},       {"1A", 26},        {"0", 0},          {"0x1a", 26},
      {"7fffffff", 0x7fffffff}, {"00000000ff", 255}, {"123456789", 0x12345678},
      {"g", 15},        {"", 0},           {" 1 0 ", 16},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHex(c.text), c.value) << c.text;
}

TEST(TextRoutines, FormatDecimalWritesSignedValues) {
  char buffer[12];
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {{0, "0"}, {700, "700"}, {-5, "-5"}, {INT32_MAX, "2147483647"},
               {INT32_MIN, "-2147483648"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDecimal(buffer, c.value), std::strlen(c.text));
    EXPECT_STREQ(buffer, c.text);
  }
}

TEST(TextRoutines, ParseDecimalStaysWithin32Bits) {
  EXPECT_EQ(ParseDecimal("1000"), 1000);
  EXPECT_EQ(ParseDecimal("  42abc"), 42);
  EXPECT_EQ(ParseDecimal("99999999999"), INT32_MAX);
  EXPECT_EQ(ParseDecimal("x"), 0);
}

TEST(Base64, MatchesTheTestVectorsOfRfc4648) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},          {"f", "Zg=="},        {"fo", "Zm8="},        {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& c : cases) EXPECT_EQ(base64_encode(c.in), c.out) << c.in;
  // RFC 2617's Basic example and bytes beyond 7 bits.
  EXPECT_EQ(base64_encode("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(base64_encode(std::string("\xff\xfe\x00", 3)), "//4A");
}

TEST(Base64, RefusesABufferTooSmall) {
  char out[5];
  EXPECT_EQ(Base64Encode("foo", 3, out, 5), 4u);
  EXPECT_STREQ(out, "Zm9v");
  out[0] = 'x';
  EXPECT_EQ(Base64Encode("foo", 3, out, 4), 0u);
  EXPECT_EQ(out[0], 'x');
}

TEST(Digest, MatchesTheExampleOfRfc2617) {
  HTTPClientContext* context = HTTPClientCreateContext(0);
  ASSERT_EQ(ParseUrl(context, "http://host/dir/index.html"), HC_OK);
  const char* realm = "testrealm@host.com";
  const char* nonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
  char ha1[33];
  DigestHA1("Mufasa", {realm, static_cast<std::uint32_t>(std::strlen(realm))}, "Circle Of Life",
            {nonce, static_cast<std::uint32_t>(std::strlen(nonce))}, "0a4f113b", false, ha1);
  char response[33];
  DigestResponse(context, ha1, {nonce, static_cast<std::uint32_t>(std::strlen(nonce))},
                 "0a4f113b", {"auth", 4}, response);
  EXPECT_STREQ(response, "6629fae49393a05397450978507c4ef1");
  HTTPClientFreeContext(&context);
}

TEST(Digest, ClientNoncesAreRandomHex) {
  char first[33], second[33];
  MakeCnonce(first);
  MakeCnonce(second);
  EXPECT_EQ(std::strlen(first), 32u);
  EXPECT_EQ(std::strspn(first, "0123456789abcdef"), 32u);
  // Two nonces made within the same second differ: they do not come from a time seed.
  EXPECT_STRNE(first, second);
}

}  // namespace
