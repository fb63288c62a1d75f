#pragma once
// How an update ends when one of its downloads cannot be made: the box that tells the player,
// owned by the window the jobs report to, then the same text as an ERROR line, then the end
// of the process (every worker with it). The line carries the given tag.
#include "platform/event_loop.h"

[[noreturn]] void end_update_after_failed_download(platform::window_handle owner, const char* tag);
