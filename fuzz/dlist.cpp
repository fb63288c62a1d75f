// The version marker and the download list, read from the bytes of a file. The first byte says
// whether a marker "wdver.V7.0" is there (holding the other bytes); the other bytes are the
// "dlist" file. The marker's existence is reported and a missing one made, an existing one left
// as it is; every loaded version is upper-cased; and the list that loading gives is saved and
// loaded back with the same entries, so nothing the launcher has recorded is lost between two
// starts.
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "support/fuzz_support.h"
#include "update/install_records.h"

namespace {

std::filesystem::path folder;
std::u16string launcher_folder;

std::string shown(const std::map<std::u16string, std::u16string>& map) {
  std::string text;
  for (const auto& [key, value] : map)
    text += "[" + platform::to_utf8(key) + "]=[" + platform::to_utf8(value) + "] ";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  folder = fuzz::fresh_folder("launcher");
  launcher_folder = fuzz::core_folder(folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool marker_before = data[0] & 1;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto marker = folder / "wdver.V7.0";
  std::filesystem::remove(marker);
  if (marker_before) fuzz::write_file_bytes(marker, bytes);
  fuzz::write_file_bytes(folder / "dlist", bytes);

  checkVerFileExist(launcher_folder);
  FUZZ_CHECK(verFileExisted == marker_before, "the marker's existence");
  FUZZ_CHECK(fuzz::read_file_bytes(marker) == (marker_before ? bytes : std::string("v\0", 2)),
             "the marker is made when missing and left alone otherwise");

  dlistMap.clear();
  loadDlist(launcher_folder);
  const auto loaded = dlistMap;
  for (const auto& [key, version] : loaded) {
    std::u16string upper = version;
    platform::to_upper(upper);
    FUZZ_CHECK(upper == version, shown(loaded));
  }
  saveDlist(launcher_folder);
  FUZZ_CHECK(!std::filesystem::exists(folder / "dlist.tmp"), "the temporary file is gone");
  dlistMap.clear();
  loadDlist(launcher_folder);
  FUZZ_CHECK(dlistMap == loaded, shown(loaded) + " came back as " + shown(dlistMap));
  return 0;
}
