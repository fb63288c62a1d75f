// Launch links: the bytes are the text of a link (UTF-16LE) as a second start's command line or
// a hand-over carries it. Whatever the text, the parse is the pieces between "/" after the
// prefix: with exactly three, the first two and the third's number; with any other count,
// nothing and not valid. A valid link always names a positive number.
#include <string>

#include "platform/text.h"
#include "support/fuzz_support.h"
#include "system/launch_link.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::utf16_of(data, size);
  const std::string shown = platform::to_utf8(text);
  const std::u16string stripped = strip_launch_prefix(text);
  FUZZ_CHECK(stripped.size() <= text.size(), shown);
  FUZZ_CHECK(text.find(stripped) != std::u16string::npos, shown);
  const auto pieces = split_path_pieces(stripped, u'/');
  std::size_t units = 0;
  for (const auto& piece : pieces) {
    FUZZ_CHECK(piece.find(u'/') == std::u16string::npos, shown);
    units += piece.size() + 1;
  }
  FUZZ_CHECK(units <= stripped.size() + 1, shown);

  const launch_request request = parse_launch_url(text.data(), text.size());
  if (pieces.size() == 3) {
    FUZZ_CHECK(request.first == pieces[0] && request.second == pieces[1], shown);
    FUZZ_CHECK(request.target_window == decimal_prefix_value(pieces[2]), shown);
    FUZZ_CHECK(!request.valid || request.target_window > 0, shown);
  } else {
    FUZZ_CHECK(request.first.empty() && request.second.empty(), shown);
    FUZZ_CHECK(request.target_window == 0 && !request.valid, shown);
  }
  return 0;
}
