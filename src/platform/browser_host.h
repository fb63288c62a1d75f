#pragma once
// The web browser that shows the portal page, behind one abstract engine class per platform
// (WebKitGTK on Linux, the IE control on Windows, a scripted page for tests).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/script_types.h"

namespace platform {

inline constexpr std::int32_t dispid_document_complete = 259;
// A window the page asks for (a target=_blank link, window.open), with its address as the one
// argument. The browser opens none itself.
inline constexpr std::int32_t dispid_new_window = 273;
// An error in the page's script, whose run goes on without a dialog: rgvarg[0] the message,
// [1] the line (a number), [2] the address of the document.
inline constexpr std::int32_t dispid_script_error = 1040;

// The page's window.external and the receiver of the browser's events, in the manner of
// IDispatch: names are looked up first, then invoked by id. A completed document arrives as
// invoke(dispid_document_complete); the page's other events as the dispids below.
class script_dispatch {
 public:
  virtual ~script_dispatch() = default;
  virtual std::int32_t get_id_of_name(std::u16string_view name) = 0;
  virtual hresult invoke(std::int32_t dispatch_id, dispatch_params& params, variant* result) = 0;
};

class browser_host {
 public:
  virtual ~browser_host() = default;
  virtual void navigate(std::u16string_view address) = 0;
  // The address of the top-level document.
  virtual std::u16string location_url() = 0;
  // Calls a function of the page's script by name. disp_e_unknownname when the page has no
  // such function; another failure when it could not be called.
  virtual hresult call_script(std::u16string_view function, const dispatch_params& params,
                              variant* result) = 0;
  // Gives the keyboard to the page, so typing reaches it before anyone clicks into it.
  virtual void focus() = 0;
};

// Hosts a browser in the web window; external becomes the page's window.external. Null when
// the system gives none; failure, when given, then names the step that failed and the
// system's code, for the log a player sends us.
std::unique_ptr<browser_host> create_browser_host(window_handle web_window,
                                                  script_dispatch& external,
                                                  std::string* failure = nullptr);

}  // namespace platform
