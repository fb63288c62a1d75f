#pragma once
// A page's alert, confirm, prompt and leave-page question as the system's own dialog.
#include <webkit2/webkit2.h>

#include <functional>

namespace platform::webkit {

// Shows the page's dialog owned by and modal to owner (none: a dialog of its own) and returns
// at once: the page waits for the answer, the launcher's loop does not. closed runs when the
// player has answered and the page has the answer.
void show_script_dialog(WebKitScriptDialog* request, GtkWindow* owner,
                        std::function<void()> closed);

}  // namespace platform::webkit
