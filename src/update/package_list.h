#pragma once
// The file list the page hands to updateGame: base address "||" digest "|" name "||" digest
// "|" name ..., with an optional final "||".
#include <string>
#include <vector>

struct PackageListItem {
  std::u16string name;    // the text after the item's first "|"
  std::u16string digest;  // the text before it, upper-cased
};

struct PackageList {
  // Everything before the first "||", single bars dropped; empty when there is no "||".
  std::u16string base;
  // In list order; items without a "|", or starting with one, are left out.
  std::vector<PackageListItem> items;
};

PackageList readPackageList(const std::u16string& list);
