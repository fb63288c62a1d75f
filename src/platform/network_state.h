#pragma once
// Whether the machine has a network connection at all (InternetGetConnectedState).

namespace platform {

bool internet_connected();

}  // namespace platform
