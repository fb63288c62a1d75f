#pragma once
// The Linux side of the hand-over channel that tests need to reach directly: the socket name
// and the check of who is at the other end.
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>
#include <string>

#include "platform/hand_over.h"
#include "platform/linux/unique_fd.h"

namespace platform::linux_impl {

// An abstract-namespace address (no file, gone with the process) named by user and number.
struct hand_over_address {
  sockaddr_un address{};
  socklen_t length = 0;
};
hand_over_address hand_over_address_for(unsigned user_id, std::int32_t number);

// Whether the process at the other end of a connected Unix socket runs as the same user as
// this one. The abstract namespace has no file permissions, so both ends check.
bool peer_is_same_user(int connected_socket);

// Connects to the listener for number, within timeout_ms; an empty fd when nobody of this
// user answers there.
unique_fd connect_to_hand_over(link_number number, std::uint32_t timeout_ms);

}  // namespace platform::linux_impl
