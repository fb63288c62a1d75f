#pragma once
// The trust anchors of LAUNCHER_EXTRA_CA_FILE (see platform/secure_channel.h) hold for the page
// too, so that a portal served with the tests' or the demo's own authority loads.
#include <webkit2/webkit2.h>

namespace platform::webkit {

// A page whose certificate is refused is let through only when it checks out against one of
// the added anchors (chain, dates and host name); every other refusal stands.
void trust_extra_anchors(WebKitWebView* view);

}  // namespace platform::webkit
