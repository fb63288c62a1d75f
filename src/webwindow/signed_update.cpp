// The signed release in front of the page's list: the page says what to install, the
// publisher's signature says what may be installed.
#include <algorithm>

#include "download/document_fetch.h"
#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "system/machine_identity.h"
#include "webwindow/web_window.h"

namespace {

// Far above any manifest of a release the launcher can hold, far below what would hurt.
constexpr std::size_t MANIFEST_LIMIT = 64 * 1024 * 1024;
constexpr std::size_t SIGNATURE_LIMIT = 1024;

bool refuse(const std::string& reason) {
  LOG_LINE(LOG_ERROR, "CWebWindow::updateGame") << "signed release refused: " << reason;
  return false;
}

std::string upper(std::string text) {
  for (auto& c : text)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

bool CWebWindow::admitSignedList(const PackageList& list) {
  const std::string base = platform::to_ansi(list.base);
  const FetchedDocument manifestText = fetchDocument(base + RELEASE_MANIFEST_FILE, MANIFEST_LIMIT);
  if (!manifestText.fetched)
    return refuse(base + RELEASE_MANIFEST_FILE + " cannot be fetched: " + manifestText.error);
  const FetchedDocument signature = fetchDocument(base + RELEASE_SIGNATURE_FILE, SIGNATURE_LIMIT);
  if (!signature.fetched)
    return refuse(base + RELEASE_SIGNATURE_FILE + " cannot be fetched: " + signature.error);
  const std::u16string confFile = machine_conf_file();
  const ReleaseTrust trust = loadReleaseTrust(confFile, releaseKey_);
  const SignedReleaseCheck check =
      checkSignedRelease(manifestText.body, signature.body, trust, platform::unix_time());
  if (!check.manifest) return refuse(check.reason);
  saveReleaseTrust(confFile, acceptedTrust(trust, *check.manifest));
  const std::string release = "the signed release " + std::to_string(check.manifest->release);
  std::map<std::u16string, ReleasePackage> admitted;
  for (const auto& item : list.items) {
    const std::string name = platform::to_utf8(item.name);
    const auto held = std::find_if(check.manifest->packages.begin(), check.manifest->packages.end(),
                                   [&](const ReleasePackage& package) { return package.name == name; });
    if (held == check.manifest->packages.end())
      return refuse("package " + name + " is not in " + release);
    if (upper(held->md5) != platform::to_utf8(item.digest))
      return refuse("package " + name + " has another MD5 in the page's list than in " + release);
    admitted[item.name] = *held;
  }
  signedPackages_.merge(admitted);
  LOG_LINE(LOG_INFO, "CWebWindow::updateGame") << release << " accepted from " << base;
  return true;
}
