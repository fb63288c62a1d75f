#include "update/package_name.h"

namespace {

std::u16string::size_type last_dot(const std::u16string& name) {
  const auto dot = name.rfind(u'.');
  return dot == std::u16string::npos || dot == 0 ? std::u16string::npos : dot;
}

}  // namespace

std::u16string baseName(const std::u16string& name) {
  const auto dot = last_dot(name);
  return dot == std::u16string::npos ? std::u16string() : name.substr(0, dot);
}

std::u16string versionSuffix(const std::u16string& name) {
  const auto dot = last_dot(name);
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}
