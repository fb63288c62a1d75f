#include "update_servers.h"

#include <memory>

#include "support/test_server.h"

namespace testing_support {

// nginx is a partner of the Linux side only; the test server runs beside Wine.
std::vector<served_by> update_servers() {
  return {{"test server", [](const std::filesystem::path& root) {
             static std::vector<std::unique_ptr<test_server>> servers;
             servers.push_back(std::make_unique<test_server>(root));
             return servers.back()->running() ? servers.back()->base_url() : std::string();
           }}};
}

}  // namespace testing_support
