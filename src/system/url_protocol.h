#pragma once
// Registration of the launcher's own URL protocol, so that links of it start the launcher.
#include <string_view>

// True when the protocol's own entry could be written, whatever happened to the others.
bool register_url_protocol(std::u16string_view protocol, std::u16string_view policy_key_name);
