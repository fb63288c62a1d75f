#include "update_servers.h"

#include <memory>

#include "support/nginx_server.h"
#include "support/test_server.h"

namespace testing_support {

namespace {

template <typename Server>
std::string start_server(const std::filesystem::path& root) {
  static std::vector<std::unique_ptr<Server>> servers;
  servers.push_back(std::make_unique<Server>(root));
  return servers.back()->running() ? servers.back()->base_url() : "";
}

}  // namespace

// Debian's nginx in its default configuration is what operators serve packages with.
std::vector<served_by> update_servers() {
  return {{"test server", start_server<test_server>}, {"nginx", start_server<nginx_server>}};
}

}  // namespace testing_support
