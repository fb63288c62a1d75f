#include "support/source_tools.h"

#include <cstdlib>

#ifndef LAUNCHER_SOURCE_DIR_DEFAULT
#define LAUNCHER_SOURCE_DIR_DEFAULT "."
#endif

namespace testing_support {

std::string source_tool(std::string_view name) {
  const char* source = std::getenv("LAUNCHER_SOURCE_DIR");
  return std::string(source && *source ? source : LAUNCHER_SOURCE_DIR_DEFAULT) + "/tools/" +
         std::string(name);
}

}  // namespace testing_support
