#pragma once
// Makes the desktop start the launcher for links of its own URL protocol.
#include <string_view>

namespace platform {

// program_path is the launcher's full path in the core's form; policy_key_name names the
// browser-policy entry where the system has one. True when the protocol's own entry (the
// registry key on Windows, the .desktop file on Linux) could be written; the other entries are
// written as far as they can be.
bool register_url_protocol_entries(std::u16string_view protocol, std::u16string_view program_path,
                                   std::u16string_view policy_key_name);

}  // namespace platform
