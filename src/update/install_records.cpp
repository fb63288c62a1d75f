#include "update/install_records.h"

#include <vector>

#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "update/list_split.h"

bool verFileExisted = false;
std::map<std::u16string, std::u16string> dlistMap;

namespace {

std::u16string markerPath(const std::u16string& folder) {
  return folder + u"\\wdver." + LAUNCHER_VERSION_W;
}

std::u16string dlistPath(const std::u16string& folder) { return folder + u"\\dlist"; }

std::u16string fromUtf16le(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;  // the text ends at the first NUL code unit
    text += unit;
  }
  return text;
}

std::string toUtf16le(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// Whether "version|key||" reads back as this key. An empty key or one ending in "|" runs into
// the bars around it and takes the next entry with it; the list's text ends at a NUL.
bool dlistCanHold(const std::u16string& key) {
  return !key.empty() && key.back() != u'|' && key.find(u"||") == std::u16string::npos &&
         key.find(u'\0') == std::u16string::npos;
}

}  // namespace

void checkVerFileExist(const std::u16string& folder) {
  const std::u16string path = markerPath(folder);
  verFileExisted = platform::path_exists(path);
  if (verFileExisted) return;
  LOG_LINE(LOG_INFO, "checkVerFileExist") << "VerFile not exist, create it";
  platform::write_file(path, std::string("v\0", 2));
}

void loadDlist(const std::u16string& folder) {
  const auto bytes = platform::read_file(dlistPath(folder), DLIST_READ_LIMIT);
  if (!bytes) return;
  std::vector<std::u16string> tokens;
  splitDoubleBar(fromUtf16le(*bytes), tokens);
  for (const auto& token : tokens) {
    std::u16string key, version;
    if (splitBarPair(token, key, version) && dlistCanHold(key)) dlistMap[key] = version;
  }
}

std::string dlistBytes(const std::map<std::u16string, std::u16string>& map) {
  std::u16string text = u"||";
  for (const auto& [key, value] : map)
    if (dlistCanHold(key)) text += value + u"|" + key + u"||";
  return toUtf16le(text);
}

void saveDlist(const std::u16string& folder) {
  // Written beside the list and renamed over it, so a crash while saving keeps the old list.
  // A virus scanner or an indexer may hold either file for a moment: the save is tried again
  // for a while before the new list is given up, loudly.
  constexpr int attempts = 20;
  constexpr std::uint32_t pause_ms = 100;
  const std::u16string path = dlistPath(folder);
  const std::u16string temporary = path + u".tmp";
  const std::string bytes = dlistBytes(dlistMap);
  platform::write_result saved;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    saved = platform::write_file(temporary, bytes);
    if (saved) saved = platform::replace_file(temporary, path);
    if (saved || !saved.busy) break;
    if (attempt < attempts) platform::sleep_ms(pause_ms);
  }
  if (saved) return;
  platform::delete_file(temporary);
  LOG_LINE(LOG_ERROR, "saveDlist") << "dlist not saved: " << saved.reason;
}

void recordInstalled(const PackageEntry& entry) { dlistMap[baseName(entry.name)] = entry.version; }

const std::u16string* findInstalled(const std::u16string& base) {
  const auto found = dlistMap.find(base);
  return found == dlistMap.end() ? nullptr : &found->second;
}
