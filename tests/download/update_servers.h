#pragma once
// The servers on loopback that whole updates are tried against on this system.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Starts a server for the folder: its base address, or empty when it did not start. The
// servers stay up until the test program ends.
using server_factory = std::function<std::string(const std::filesystem::path&)>;

struct served_by {
  const char* name;
  server_factory start;
};

// The project's test server first; the last is the one for the largest updates.
std::vector<served_by> update_servers();

}  // namespace testing_support
