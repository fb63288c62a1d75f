#include "system/url_protocol.h"

#include <string>

#include "platform/files.h"
#include "platform/url_protocol.h"

bool register_url_protocol(std::u16string_view protocol, std::u16string_view policy_key_name) {
  const std::u16string program = platform::module_path();
  // Without a folder the path is not one the system could start.
  if (program.rfind(u'\\') == std::u16string::npos) return false;
  return platform::register_url_protocol_entries(protocol, program, policy_key_name);
}
