#pragma once
// The keys the thread keyboard hook hands to the page's document.
#include <windows.h>

#include <optional>

namespace platform::win32 {

// The message the document receives for a key the hook saw (hook code, virtual key, whether
// the key is down now), or nothing when the key is not the page's through the hook.
std::optional<UINT> page_message_for_hooked_key(int code, WPARAM key, bool held);

}  // namespace platform::win32
