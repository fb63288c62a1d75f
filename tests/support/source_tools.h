#pragma once
// The project's own tools (tools/: the test server, the certificate and signing scripts), as
// the Linux side names them: the tests under Wine start them there too.
#include <string>
#include <string_view>

namespace testing_support {

// tools/NAME of the source tree: LAUNCHER_SOURCE_DIR when set, else the tree the tests were
// built from.
std::string source_tool(std::string_view name);

}  // namespace testing_support
