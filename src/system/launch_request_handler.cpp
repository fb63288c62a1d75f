#include "system/launch_request_handler.h"

#include <string>

#include "log/log_manager.h"
#include "platform/window_activation.h"
#include "system/desktop_actions.h"
#include "system/launch_link.h"

bool handle_copy_data(std::uintptr_t dwData, std::u16string_view text,
                      platform::window_handle own_window, const page_function_call& call_script) {
  if (dwData != COPYDATA_LAUNCH_REQUEST) return false;
  // The request is passed on whether or not it names a live window: the page decides.
  const launch_request request = parse_launch_url(text.data(), text.size());
  platform::activate_window(own_window);
  bring_window_to_front(own_window);
  platform::dispatch_params params;
  params.rgvarg.push_back(platform::variant::text(request.first));
  params.rgvarg.push_back(platform::variant::text(request.second));
  const platform::hresult result =
      call_script ? call_script(u"OnCallIE", params, nullptr) : platform::e_fail;
  if (result < 0) {
    LOG_LINE(LOG_ERROR, "Proc") << "call OnCallIE fail";
  }
  return true;
}

std::unique_ptr<launch_link_receiver> launch_link_receiver::start(
    platform::window_handle web_window, page_function_call call_script) {
  auto listener = platform::listen_for_hand_over(
      web_window, [web_window, call = std::move(call_script)](const platform::copy_data& data) {
        handle_copy_data(data.dwData, data.text, web_window, call);
      });
  if (!listener) return nullptr;
  return std::make_unique<launch_link_receiver>(std::move(listener));
}
