// A connection is any network interface that is up and is not the loopback interface.
#include <ifaddrs.h>
#include <net/if.h>

#include "platform/network_state.h"

namespace platform {

bool internet_connected() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool connected = false;
  for (const ifaddrs* entry = list; entry != nullptr && !connected; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    connected = entry->ifa_addr != nullptr && (flags & IFF_UP) != 0 && (flags & IFF_LOOPBACK) == 0;
  }
  freeifaddrs(list);
  return connected;
}

}  // namespace platform
