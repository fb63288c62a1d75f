// Every thread that uses the client starts WinSock first, as the download worker does; on
// Windows nothing resolves or connects before that.
#include <gtest/gtest.h>

#include "httpclient/http_client.h"

namespace {

class winsock_environment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(WinsockStartup(1), 0); }
  void TearDown() override { WinsockStartup(0); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new winsock_environment);

}  // namespace
