#include "update/package_list.h"

#include "update/list_split.h"

PackageList readPackageList(const std::u16string& list) {
  PackageList result;
  const auto end = list.find(u"||");
  if (end != std::u16string::npos)
    for (std::size_t i = 0; i < end; ++i)
      if (list[i] != u'|') result.base += list[i];
  std::vector<std::u16string> tokens;
  splitDoubleBar(list, tokens);
  for (const auto& token : tokens) {
    PackageListItem item;
    if (splitBarPair(token, item.name, item.digest)) result.items.push_back(std::move(item));
  }
  return result;
}
