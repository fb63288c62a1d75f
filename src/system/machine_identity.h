#pragma once
// The per-user identifier kept in "conf.ini" under the user's application-data folder. It
// names the launcher's browser-policy entry and is never sent anywhere.
#include <cstdint>
#include <string>

#include "platform/guid.h"

// Reads the identifier (making and storing one on the first run), then renews the URL
// protocol registration with it.
void ensure_machine_identity();

// The user's "conf.ini" of the launcher, where the identifier is kept: also the highest signed
// release accepted and the publisher's next keys. Its folder is made when missing.
std::u16string machine_conf_file();

// Without trailing "\"; empty when the user has no such folder.
std::u16string get_app_data_folder();

// 36 upper-case hexadecimal digits from a fresh GUID and the tick count; "00000000" when no
// GUID can be made.
std::u16string new_machine_id();
std::u16string format_machine_id(const platform::guid& id, std::uint32_t tick_count);
