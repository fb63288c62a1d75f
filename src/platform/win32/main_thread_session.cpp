#include "platform/main_thread_session.h"

#include <windows.h>
#include <ole2.h>

namespace platform {

// Each successful start is balanced by its own end, so a thread that already had an apartment
// keeps it after the session.
main_thread_session::main_thread_session()
    : com_started_(SUCCEEDED(CoInitialize(nullptr))),
      ole_started_(SUCCEEDED(OleInitialize(nullptr))) {}

main_thread_session::~main_thread_session() {
  if (ole_started_) OleUninitialize();
  if (com_started_) CoUninitialize();
}

}  // namespace platform
