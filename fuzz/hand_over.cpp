// The hand-over message: the bytes are a whole request as a second start sends it over the
// Linux channel (dwData, byte count, UTF-16LE text), decoded as the running launcher does and
// handed to its web window. Whatever arrives: a message is taken only when it holds what its
// header announces and no more than a receiver takes; what is taken is exactly those bytes
// (it encodes back to them); and only a launch request (dwData 5000) reaches the page, as one
// "OnCallIE" call with the link's second and first pieces.
#include <string>

#include "platform/headless/headless_desktop.h"
#include "platform/linux/hand_over_message.h"
#include "platform/text.h"
#include "support/fuzz_support.h"
#include "system/launch_link.h"
#include "system/launch_request_handler.h"

namespace linux_impl = platform::linux_impl;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string message(reinterpret_cast<const char*>(data), size);
  const auto decoded = linux_impl::decode_hand_over(message);
  const auto announced = linux_impl::announced_text_bytes(message);
  const bool whole = announced && size - linux_impl::hand_over_header_bytes >= *announced;
  FUZZ_CHECK(decoded.has_value() == whole, "taken only when whole");
  if (!decoded) return 0;
  FUZZ_CHECK(announced && *announced <= platform::hand_over_max_bytes, "within the limit");
  FUZZ_CHECK(decoded->text.size() == *announced / 2, std::to_string(decoded->text.size()));
  const std::string encoded = linux_impl::encode_hand_over(*decoded);
  FUZZ_CHECK(encoded.compare(0, 4, message, 0, 4) == 0, "dwData");
  FUZZ_CHECK(encoded.compare(8, std::string::npos, message, 8, decoded->text.size() * 2) == 0,
             "the text is the bytes that came");

  int calls = 0;
  platform::dispatch_params passed;
  const page_function_call page = [&](std::u16string_view function,
                                      const platform::dispatch_params& params, platform::variant*) {
    ++calls;
    FUZZ_CHECK(function == u"OnCallIE", platform::to_utf8(function));
    passed = params;
    return platform::s_ok;
  };
  const bool handled = handle_copy_data(decoded->dwData, decoded->text, 0, page);
  platform::headless::clear_window_activations();
  const bool launch_request = decoded->dwData == COPYDATA_LAUNCH_REQUEST;
  FUZZ_CHECK(handled == launch_request && calls == (launch_request ? 1 : 0),
             std::to_string(decoded->dwData));
  if (!launch_request) return 0;
  const auto link = parse_launch_url(decoded->text.data(), decoded->text.size());
  FUZZ_CHECK(passed.rgvarg.size() == 2 && passed.rgvarg[0].bstrVal == link.first &&
                 passed.rgvarg[1].bstrVal == link.second,
             platform::to_utf8(decoded->text));
  return 0;
}
