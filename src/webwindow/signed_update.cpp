// The signed release in front of the page's list: the page says what to install, the
// publisher's signature says what may be installed.
#include <algorithm>

#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "system/machine_identity.h"
#include "webwindow/web_window.h"

namespace {

bool refuse(const std::string& reason) {
  LOG_LINE(LOG_ERROR, "CWebWindow::updateGame") << "signed release refused: " << reason;
  return false;
}

}  // namespace

bool CWebWindow::admitSignedList(const PackageList& list, const ReleaseDocuments& documents) {
  const std::string base = platform::to_ansi(list.base);
  if (!documents.manifest.fetched)
    return refuse(base + RELEASE_MANIFEST_FILE + " cannot be fetched: " + documents.manifest.error);
  if (!documents.signature.fetched)
    return refuse(base + RELEASE_SIGNATURE_FILE + " cannot be fetched: " + documents.signature.error);
  const std::u16string confFile = machine_conf_file();
  const ReleaseTrust trust = loadReleaseTrust(confFile, releaseKey_);
  const SignedReleaseCheck check = checkSignedRelease(documents.manifest.body,
                                                      documents.signature.body, trust,
                                                      platform::unix_time());
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
    // The list's digests are read upper-cased; the manifest's are compared the same way.
    std::u16string signedMd5 = platform::from_utf8(held->md5);
    platform::to_upper(signedMd5);
    if (signedMd5 != item.digest)
      return refuse("package " + name + " has another MD5 in the page's list than in " + release);
    admitted[item.name] = *held;
  }
  signedPackages_.merge(admitted);
  LOG_LINE(LOG_INFO, "CWebWindow::updateGame") << release << " accepted from " << base;
  return true;
}
