#include <windows.h>

#include <wininet.h>

#include "platform/network_state.h"

namespace platform {

bool internet_connected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace platform
