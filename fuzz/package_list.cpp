// The page's file list for updateGame, and the double-bar splitting under it. The bytes are the
// list as UTF-16LE. Whatever the list holds: the base address has no bar and comes from before
// the first "||"; every item splits at its first bar into a non-empty, upper-cased digest and
// the rest as the name; and a list written back from what was read (plain file names only,
// the only ones the update uses) reads the same again.
#include <string>

#include "platform/text.h"
#include "support/fuzz_support.h"
#include "update/list_split.h"
#include "update/package_list.h"
#include "update/plain_file_name.h"

namespace {

std::string shown(const std::u16string& text) { return platform::to_utf8(text); }

void expect_pair_split(const std::u16string& token) {
  std::u16string first, second;
  const bool split = splitBarPair(token, first, second);
  const auto bar = token.find(u'|');
  FUZZ_CHECK(split == (bar != std::u16string::npos && bar != 0), shown(token));
  if (!split) return;
  FUZZ_CHECK(first == token.substr(bar + 1), shown(token));
  FUZZ_CHECK(second.size() == bar, shown(token));
  std::u16string upper = second;
  platform::to_upper(upper);
  FUZZ_CHECK(upper == second, shown(second));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string list = fuzz::utf16_of(data, size);
  std::vector<std::u16string> tokens;
  splitDoubleBar(list, tokens);
  std::size_t token_units = 0;
  for (const auto& token : tokens) {
    token_units += token.size();
    expect_pair_split(token);
  }
  FUZZ_CHECK(token_units <= list.size(), shown(list));

  const PackageList read = readPackageList(list);
  FUZZ_CHECK(read.base.find(u'|') == std::u16string::npos, shown(read.base));
  const auto first_double_bar = list.find(u"||");
  FUZZ_CHECK(first_double_bar != std::u16string::npos || read.base.empty(), shown(read.base));
  FUZZ_CHECK(read.base.size() <= (first_double_bar == std::u16string::npos ? 0 : first_double_bar),
             shown(read.base));

  std::u16string written = read.base + u"||";
  std::vector<PackageListItem> plain;
  for (const auto& item : read.items) {
    FUZZ_CHECK(!item.digest.empty() && item.digest.find(u'|') == std::u16string::npos,
               shown(item.digest));
    if (!isPlainFileName(item.name)) continue;
    FUZZ_CHECK(item.name.find(u'|') == std::u16string::npos, shown(item.name));
    plain.push_back(item);
    written += item.digest + u"|" + item.name + u"||";
  }
  const PackageList again = readPackageList(written);
  FUZZ_CHECK(again.base == read.base, shown(written));
  FUZZ_CHECK(again.items.size() == plain.size(), shown(written));
  for (std::size_t i = 0; i < plain.size(); ++i)
    FUZZ_CHECK(again.items[i].name == plain[i].name && again.items[i].digest == plain[i].digest,
               shown(written));
  return 0;
}
