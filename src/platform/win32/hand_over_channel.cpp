// The hand-over channel on Windows is WM_COPYDATA itself. A web window of the Win32 desktop
// receives it directly on the main thread, so launch links name that window. For any other
// window (the headless desktop's) the listener owns a message-only window on a thread of its
// own, whose procedure passes each request to the main thread through the event loop and
// holds the sender until the main thread has handled it.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "platform/hand_over.h"
#include "platform/win32/copy_data_message.h"

namespace platform {

namespace {

// How long a receiver keeps a sender waiting for its main thread.
constexpr auto handling_wait = std::chrono::seconds(10);
constexpr std::uint32_t message_relay = 0x8000 + message_copy_data;  // WM_APP range
constexpr wchar_t window_class_name[] = L"ZefaLauncherHandOver";

struct pending_request {
  copy_data data;
  bool handled = false;
};

// Shared by the listener, its window thread and the relay window's procedure, which may
// outlive the listener (the event loop has no way to remove a window).
struct channel_state {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<pending_request>> queue;
  bool stopping = false;
  copy_data_handler handler;
  window_handle relay = 0;
};

HWND window_of(link_number number) {
  return reinterpret_cast<HWND>(number);
}

// Runs on the listener's window thread for each WM_COPYDATA; TRUE once the main thread has
// handled the request.
LRESULT receive(channel_state& state, const COPYDATASTRUCT* sent) {
  auto data = win32::read_copy_data(sent);
  if (!data) return FALSE;
  auto request = std::make_shared<pending_request>();
  request->data = std::move(*data);
  {
    std::lock_guard lock(state.mutex);
    if (state.stopping) return FALSE;
    state.queue.push_back(request);
  }
  if (!post_message(state.relay, message_relay, 0, 0)) {
    std::lock_guard lock(state.mutex);
    state.queue.clear();
    return FALSE;
  }
  std::unique_lock lock(state.mutex);
  return state.changed.wait_for(lock, handling_wait,
                                [&] { return request->handled || state.stopping; }) &&
                 request->handled
             ? TRUE
             : FALSE;
}

LRESULT CALLBACK channel_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* state = reinterpret_cast<channel_state*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COPYDATA:
      return state ? receive(*state, reinterpret_cast<const COPYDATASTRUCT*>(lparam)) : FALSE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool register_window_class() {
  static const bool registered = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = channel_window_procedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = window_class_name;
    return RegisterClassExW(&description) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

// Runs on the main thread for each posted relay message: hands the oldest request to the
// handler and releases its sender.
void relay_one(const std::shared_ptr<channel_state>& state) {
  std::shared_ptr<pending_request> request;
  {
    std::lock_guard lock(state->mutex);
    if (state->stopping || state->queue.empty()) return;
    request = state->queue.front();
    state->queue.pop_front();
  }
  if (state->handler) state->handler(request->data);
  {
    std::lock_guard lock(state->mutex);
    request->handled = true;
  }
  state->changed.notify_all();
}

class window_listener final : public hand_over_listener {
 public:
  explicit window_listener(std::shared_ptr<channel_state> state) : state_(std::move(state)) {
    std::promise<HWND> created;
    auto window = created.get_future();
    thread_ = std::thread([this, &created] { run(created); });
    window_ = window.get();
  }

  ~window_listener() override {
    {
      std::lock_guard lock(state_->mutex);
      state_->stopping = true;
      state_->queue.clear();
    }
    state_->changed.notify_all();
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  window_listener(const window_listener&) = delete;
  window_listener& operator=(const window_listener&) = delete;

  bool ready() const { return window_ != nullptr; }

  link_number number() const override { return reinterpret_cast<link_number>(window_); }

 private:
  void run(std::promise<HWND>& created) {
    HWND window = nullptr;
    if (register_window_class()) {
      window = CreateWindowExW(0, window_class_name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), state_.get());
    }
    created.set_value(window);
    if (!window) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }

  std::shared_ptr<channel_state> state_;
  std::thread thread_;
  HWND window_ = nullptr;
};

// The web window itself receives the requests on the main thread.
class direct_listener final : public hand_over_listener {
 public:
  direct_listener(HWND window, copy_data_handler on_request) : window_(window) {
    win32::set_copy_data_handler(window_, std::move(on_request));
  }
  ~direct_listener() override { win32::clear_copy_data_handler(window_); }
  direct_listener(const direct_listener&) = delete;
  direct_listener& operator=(const direct_listener&) = delete;

  link_number number() const override { return reinterpret_cast<link_number>(window_); }

 private:
  HWND window_;
};

}  // namespace

std::unique_ptr<hand_over_listener> listen_for_hand_over(window_handle web_window,
                                                         copy_data_handler on_request) {
  const HWND own = reinterpret_cast<HWND>(web_window);
  if (win32::is_copy_data_receiver(own))
    return std::make_unique<direct_listener>(own, std::move(on_request));
  auto state = std::make_shared<channel_state>();
  state->handler = std::move(on_request);
  state->relay = create_message_window(
      [state](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        if (message == message_relay) relay_one(state);
        return 0;
      });
  if (state->relay == 0) return nullptr;
  auto listener = std::make_unique<window_listener>(std::move(state));
  if (!listener->ready()) return nullptr;
  return listener;
}

bool hand_over_target_exists(link_number number) {
  return number != 0 && IsWindow(window_of(number));
}

bool send_hand_over(link_number number, const copy_data& request, std::uint32_t timeout_ms) {
  const std::size_t byte_count = request.text.size() * 2;
  if (number == 0 || byte_count > hand_over_max_bytes) return false;
  const HWND target = window_of(number);
  if (!IsWindow(target)) return false;
  COPYDATASTRUCT sent{};
  sent.dwData = request.dwData;
  sent.cbData = static_cast<DWORD>(byte_count);
  sent.lpData = const_cast<char16_t*>(request.text.data());
  // The running launcher brings its window to the front when the request arrives: the
  // system lets it only when the process the player just started passes that right on.
  DWORD receiver = 0;
  GetWindowThreadProcessId(target, &receiver);
  if (receiver != 0) AllowSetForegroundWindow(receiver);
  DWORD_PTR answer = FALSE;
  const LRESULT delivered =
      SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&sent),
                          SMTO_NORMAL | SMTO_ABORTIFHUNG, timeout_ms, &answer);
  return delivered != 0 && answer == TRUE;
}

}  // namespace platform
