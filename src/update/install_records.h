#pragma once
// What is installed in the launcher folder: the version marker "wdver.V7.0" (its absence means
// this launcher version has not run here before) and the download list "dlist" (base name ->
// version last extracted), kept in memory between loadDlist and saveDlist.
#include <map>
#include <string>

#include "update/package_name.h"

inline constexpr char LAUNCHER_VERSION[] = "V7.0";
inline constexpr char16_t LAUNCHER_VERSION_W[] = u"V7.0";
inline constexpr std::size_t DLIST_READ_LIMIT = 819200;

// True when the marker existed before this run; set once by checkVerFileExist.
extern bool verFileExisted;
// Base name -> version, in UTF-16 code-unit order.
extern std::map<std::u16string, std::u16string> dlistMap;

// folder is the launcher folder with its trailing "\" (getModuleDir()).
void checkVerFileExist(const std::u16string& folder);
void loadDlist(const std::u16string& folder);
void saveDlist(const std::u16string& folder);

void recordInstalled(const PackageEntry& entry);
// The recorded version of a base name, or null; never inserts.
const std::u16string* findInstalled(const std::u16string& base);

// The dlist file's text: "||" then value "|" key "||" for each entry, UTF-16LE without BOM.
// Keys the text cannot hold (an empty one, as a list cut right after a bar loads) are left out:
// they would not load back and would take the next entry with them.
std::string dlistBytes(const std::map<std::u16string, std::u16string>& map);
