#pragma once
// The error-report server's address, looked up within the report's time bound. The report runs
// under the logger's lock, so a resolver that does not answer would otherwise hold every thread
// that logs, the window's included, for the resolver's own time-out at every ERROR line.
#include <cstdint>
#include <optional>
#include <string>

// The first IPv4 address of host_name (network byte order), waiting at most timeout_ms for it.
// A look-up that is given up on goes on in the background: later calls wait for that one
// rather than start another, and an address it finds is kept for the rest of the run. A name
// without an address is asked again at the next call. Dotted addresses need no look-up.
std::optional<std::uint32_t> report_host_address(const std::string& host_name,
                                                 std::uint32_t timeout_ms);
