#pragma once
// Dragging with the synthetic mouse from a small window of the test's own, as a player drags a
// file out of a file manager or a link out of a browser. Needs GTK started on X11.
#include <string>
#include <vector>

namespace testing_support {

// Offers the URIs as text/uri-list from a window at the screen's top-left corner, presses the
// left button on it, moves to (to_x, to_y) and lets go there. True when the drag ran to its
// end (whether or not the window below accepted the drop).
bool drag_uris_to(const std::vector<std::string>& uris, int to_x, int to_y);

}  // namespace testing_support
