#pragma once
// Objects that are created on first use and never destroyed: detached download workers may
// still post to the event loop while the process ends, after static destructors have run.
#include <new>

namespace platform {

template <typename T>
T& process_lifetime_object() {
  alignas(T) static unsigned char storage[sizeof(T)];
  static T* const object = ::new (static_cast<void*>(storage)) T();
  return *object;
}

}  // namespace platform
