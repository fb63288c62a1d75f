#include <objbase.h>

#include <cstring>

#include "platform/guid.h"

namespace platform {

guid new_guid() {
  GUID made{};
  guid result;
  if (CoCreateGuid(&made) != S_OK) return result;
  result.Data1 = made.Data1;
  result.Data2 = made.Data2;
  result.Data3 = made.Data3;
  std::memcpy(result.Data4.data(), made.Data4, sizeof made.Data4);
  return result;
}

}  // namespace platform
