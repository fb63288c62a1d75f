// The scripted page takes no keys: there is nothing to hook.
#include "platform/keyboard_hook.h"

namespace platform {

std::unique_ptr<keyboard_hook> install_keyboard_hook() { return nullptr; }

}  // namespace platform
