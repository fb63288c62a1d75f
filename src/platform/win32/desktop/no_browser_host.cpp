// A program built without a browser: the web window stays empty and the launcher runs on
// without a page.
#include "platform/browser_host.h"

namespace platform {

std::unique_ptr<browser_host> create_browser_host(window_handle, script_dispatch&) {
  return nullptr;
}

}  // namespace platform
