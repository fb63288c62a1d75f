// select() over sets of sockets: WinSock's own fd_set holds 64, as the seam's set does.
#include <winsock2.h>

#include "platform/sockets.h"

namespace platform::net {

namespace {

void fill(fd_set& native, const socket_set* set) {
  FD_ZERO(&native);
  if (!set) return;
  for (std::uint32_t i = 0; i < set->count; ++i) FD_SET(static_cast<SOCKET>(set->sockets[i]), &native);
}

// Keeps only the sockets select() left in the native set.
void keep_ready(socket_set* set, fd_set& native) {
  if (!set) return;
  socket_set ready;
  for (std::uint32_t i = 0; i < set->count; ++i)
    if (FD_ISSET(static_cast<SOCKET>(set->sockets[i]), &native)) ready.add(set->sockets[i]);
  *set = ready;
}

}  // namespace

int select(socket_set* read, socket_set* write, socket_set* except, std::uint32_t timeout_ms) {
  // WinSock refuses a select without sockets; POSIX systems wait out the time instead.
  const auto empty = [](const socket_set* set) { return !set || set->count == 0; };
  if (empty(read) && empty(write) && empty(except)) {
    Sleep(timeout_ms);
    return 0;
  }
  fd_set reads, writes, errors;
  fill(reads, read);
  fill(writes, write);
  fill(errors, except);
  timeval limit{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
  const int rc = ::select(0, read ? &reads : nullptr, write ? &writes : nullptr,
                          except ? &errors : nullptr, &limit);
  if (rc == SOCKET_ERROR) return -1;
  keep_ready(read, reads);
  keep_ready(write, writes);
  keep_ready(except, errors);
  return rc;
}

}  // namespace platform::net
