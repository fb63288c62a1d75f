#pragma once
// What the main thread needs for the whole run before its windows and browser exist. On
// Windows that is COM in a single-threaded apartment and OLE: the browser control, its page,
// in-place activation, drag and drop and the clipboard all rely on them. Start-up owns one
// session from before the first window until after the message loop has ended.
namespace platform {

class main_thread_session {
 public:
  main_thread_session();
  ~main_thread_session();
  main_thread_session(const main_thread_session&) = delete;
  main_thread_session& operator=(const main_thread_session&) = delete;

 private:
  // Only the Windows session has something to undo.
  [[maybe_unused]] bool com_started_ = false;
  [[maybe_unused]] bool ole_started_ = false;
};

}  // namespace platform
