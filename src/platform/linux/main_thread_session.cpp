#include "platform/main_thread_session.h"

namespace platform {

// GTK starts itself with the first window; the main thread needs nothing more for the run.
main_thread_session::main_thread_session() = default;
main_thread_session::~main_thread_session() = default;

}  // namespace platform
