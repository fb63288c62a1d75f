#include <gtest/gtest.h>

#include <chrono>

#include "log/error_report.h"
#include "log/log_manager.h"
#include "log/log_owner.h"
#include "support/loopback_peer.h"
#include "support/temp_folder.h"

namespace {

using testing_support::loopback_peer;

TEST(UrlEncodeForm, EncodesByteByByte) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"Az09-._", "Az09-._"},
      {"two words", "two+words"},
      {"~", "%7E"},
      {"\xB5", "%B5"},
      {"[ERROR]", "%5BERROR%5D"},
      {"]>> x", "%5D%3E%3E+x"},
      {"", ""},
      {"\xE5\xBE\xAE", "%E5%BE%AE"},
  };
  for (const auto& c : cases) EXPECT_EQ(url_encode_form(c.in), c.out) << c.in;
}

TEST(ReportServer, TakesHostAndOptionalPort) {
  const auto plain = parse_report_server("errors.example");
  EXPECT_EQ(plain.name, "errors.example");
  EXPECT_EQ(plain.port, 80);
  const auto with_port = parse_report_server("127.0.0.1:18080");
  EXPECT_EQ(with_port.name, "127.0.0.1");
  EXPECT_EQ(with_port.port, 18080);
  EXPECT_EQ(with_port.host, "127.0.0.1:18080");
}

TEST(ReportRequest, NeverPassesFiveHundredElevenCharactersNorCutsAnEscape) {
  for (std::size_t length = 150; length < 200; ++length) {
    const std::string request = error_report_request("h", std::string(length, '~'));
    ASSERT_LE(request.size(), 511u);
    const auto tail = request.find(" HTTP/1.1\r\n");
    const std::string target = request.substr(0, tail);
    ASSERT_EQ((target.size() - std::string("GET /record_error.php?msg=").size()) % 3, 0u)
        << "cut inside an escape at length " << length;
    EXPECT_EQ(request.substr(tail), " HTTP/1.1\r\nHost: h\r\n\r\n");
  }
  const std::string empty = error_report_request("h", "");
  EXPECT_EQ(empty, "GET /record_error.php?msg= HTTP/1.1\r\nHost: h\r\n\r\n");
}

struct ErrorReport : ::testing::Test {
  void SetUp() override { log_manager::instance().set_threshold(LOG_DEBUG); }
  void TearDown() override {
    log_manager::instance().set_threshold(LOG_ERROR);
    unsetenv("LAUNCHER_REPORT_HOST");
  }
  static void report_to(std::uint16_t port) {
    setenv("LAUNCHER_REPORT_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
  }
};

TEST_F(ErrorReport, AnErrorLineArrivesFormEncodedWithItsZeroByte) {
  loopback_peer peer(loopback_peer::behaviour::answer_after_zero_byte);
  report_to(peer.port());
  LOG_LINE(LOG_INFO, "t") << "not reported";
  LOG_LINE(LOG_ERROR, "Proc") << "call OnCallIE fail ~\xB5";
  ASSERT_TRUE(peer.wait_for_requests(1, 5000));
  const auto requests = peer.received();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& bytes = requests[0];
  EXPECT_EQ(bytes.rfind("GET /record_error.php?msg=%5BERROR%5D%5B", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("%5D+%5BProc%5D%3E%3E+call+OnCallIE+fail+%7E%B5 HTTP/1.1\r\n"), std::string::npos) << bytes;
  const std::string end = "\r\nHost: 127.0.0.1:" + std::to_string(peer.port()) + "\r\n\r\n" + std::string(1, '\0');
  ASSERT_GE(bytes.size(), end.size());
  EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
}

TEST_F(ErrorReport, BeforeTheLogIsOpenedOnlyErrorLinesPassAndAreStillReported) {
  loopback_peer peer(loopback_peer::behaviour::answer_after_zero_byte);
  report_to(peer.port());
  log_manager::instance().set_threshold(LOG_ERROR);
  LOG_LINE(LOG_INFO, "t") << "dropped";
  LOG_LINE(LOG_ERROR, "t") << "kept";
  ASSERT_TRUE(peer.wait_for_requests(1, 5000));
  EXPECT_EQ(peer.received().size(), 1u);
}

TEST_F(ErrorReport, SilentAndRefusingServersCostAtMostTheBound) {
  testing_support::temp_folder dir;
  log_owner owner;
  ASSERT_TRUE(owner.init(LOG_DEBUG, LOG_SINK_FILE, (dir.path() / "r.log").string(), 5, 5, false));
  loopback_peer silent(loopback_peer::behaviour::silent);
  const std::uint16_t ports[] = {silent.port(), loopback_peer::refused_port()};
  for (const auto port : ports) {
    report_to(port);
    const auto start = std::chrono::steady_clock::now();
    LOG_LINE(LOG_ERROR, "t") << "server on port " << port;
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::seconds(4)) << port;  // about 2 s; never unbounded
  }
  EXPECT_TRUE(silent.wait_for_requests(1, 1000));
  const std::string text = testing_support::read_bytes(dir.path() / "r.log.1");
  for (const auto port : ports)
    EXPECT_NE(text.find("server on port " + std::to_string(port)), std::string::npos);
}

}  // namespace
