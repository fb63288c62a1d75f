#pragma once
// The process's one Schannel client credential. Acquired on first use and kept until the
// process ends: Schannel keeps its session cache per credential, so a credential per connection
// would never resume a session.
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <security.h>

#include <string>

namespace platform::tls {

// The credential, or null with why filled when Schannel gives none (the same answer for
// every later call).
CredHandle* schannel_credentials(std::string& why);

}  // namespace platform::tls
