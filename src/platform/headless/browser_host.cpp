// The scripted stand-in for the portal page. One browser exists at a time (the web window's);
// its events run on the event loop like a real browser's.
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/browser_host.h"
#include "platform/headless/headless_desktop.h"
#include "platform/process_lifetime.h"

namespace platform {

namespace {

inline constexpr std::uint32_t message_load_finished = 0x7F01;

class headless_browser;

struct page_state {
  std::recursive_mutex mutex;
  std::map<std::u16string, headless::page_function> functions;
  std::vector<headless::page_call> calls;
  std::vector<std::u16string> navigations;
  bool complete_on_navigate = true;
  int focus_requests = 0;
  headless_browser* current = nullptr;
  // Load events carry the generation of the browser that asked for them, so a late event
  // never reaches a later browser.
  std::uintptr_t generation = 0;
  window_handle event_window = 0;
};

// Outlives every browser, whenever it is ended.
page_state& page() { return process_lifetime_object<page_state>(); }

class headless_browser final : public browser_host {
 public:
  explicit headless_browser(script_dispatch& external) : external_(external) {}
  ~headless_browser() override {
    std::lock_guard lock(page().mutex);
    if (page().current == this) page().current = nullptr;
  }

  void navigate(std::u16string_view address) override {
    auto& p = page();
    std::lock_guard lock(p.mutex);
    p.navigations.emplace_back(address);
    location_ = address;
    if (p.complete_on_navigate) post_message(p.event_window, message_load_finished, p.generation, 0);
  }

  std::u16string location_url() override { return location_; }

  void focus() override {
    std::lock_guard lock(page().mutex);
    ++page().focus_requests;
  }

  hresult call_script(std::u16string_view function, const dispatch_params& params,
                      variant* /*result*/) override {
    headless::page_call call{std::u16string(function), params.rgvarg, false};
    std::reverse(call.arguments.begin(), call.arguments.end());
    headless::page_function body;
    {
      auto& p = page();
      std::lock_guard lock(p.mutex);
      const auto found = p.functions.find(call.function);
      call.defined = found != p.functions.end();
      if (call.defined) body = found->second;
      p.calls.push_back(call);
    }
    if (!call.defined) return disp_e_unknownname;
    if (body) body(call.arguments);
    return s_ok;
  }

  script_dispatch& external() { return external_; }

 private:
  script_dispatch& external_;
  std::u16string location_;
};

void on_load_finished(std::uintptr_t generation) {
  script_dispatch* external = nullptr;
  {
    auto& p = page();
    std::lock_guard lock(p.mutex);
    if (p.current == nullptr || generation != p.generation) return;
    external = &p.current->external();
  }
  dispatch_params none;
  external->invoke(dispid_document_complete, none, nullptr);
}

}  // namespace

std::unique_ptr<browser_host> create_browser_host(window_handle /*web_window*/,
                                                  script_dispatch& external,
                                                  std::string* /*failure*/) {
  auto& p = page();
  std::lock_guard lock(p.mutex);
  if (p.event_window == 0) {
    p.event_window = create_message_window(
        [](std::uint32_t message, std::uintptr_t wparam, std::intptr_t) -> std::intptr_t {
          if (message == message_load_finished) on_load_finished(wparam);
          return 0;
        });
  }
  auto browser = std::make_unique<headless_browser>(external);
  p.current = browser.get();
  p.generation += 1;
  return browser;
}

namespace headless {

void reset_page() {
  auto& p = page();
  std::lock_guard lock(p.mutex);
  p.functions.clear();
  p.calls.clear();
  p.navigations.clear();
  p.complete_on_navigate = true;
  p.focus_requests = 0;
}

void define_page_function(const std::u16string& name, page_function body) {
  std::lock_guard lock(page().mutex);
  page().functions[name] = std::move(body);
}

void remove_page_function(const std::u16string& name) {
  std::lock_guard lock(page().mutex);
  page().functions.erase(name);
}

std::vector<page_call> page_calls() {
  std::lock_guard lock(page().mutex);
  return page().calls;
}

std::vector<page_call> page_calls_of(const std::u16string& function) {
  std::vector<page_call> matching;
  for (auto& call : page_calls())
    if (call.function == function) matching.push_back(std::move(call));
  return matching;
}

void clear_page_calls() {
  std::lock_guard lock(page().mutex);
  page().calls.clear();
}

std::vector<std::u16string> navigations() {
  std::lock_guard lock(page().mutex);
  return page().navigations;
}

int focus_requests() {
  std::lock_guard lock(page().mutex);
  return page().focus_requests;
}

void complete_documents_on_navigate(bool on) {
  std::lock_guard lock(page().mutex);
  page().complete_on_navigate = on;
}

bool complete_document() {
  std::uintptr_t generation = 0;
  {
    std::lock_guard lock(page().mutex);
    if (page().current == nullptr) return false;
    generation = page().generation;
  }
  on_load_finished(generation);
  return true;
}

hresult call_external(const std::u16string& name, std::vector<variant> arguments,
                      variant* result) {
  script_dispatch* external = nullptr;
  {
    std::lock_guard lock(page().mutex);
    if (page().current == nullptr) return disp_e_unknownname;
    external = &page().current->external();
  }
  dispatch_params params;
  params.rgvarg.assign(arguments.rbegin(), arguments.rend());
  variant ignored;
  return external->invoke(external->get_id_of_name(name), params, result ? result : &ignored);
}

}  // namespace headless

}  // namespace platform
