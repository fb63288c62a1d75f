#pragma once
// What the launcher keeps of the signed releases it accepted, in the user's conf.ini beside
// the machine identifier: the highest release number (against a replayed older release) and
// the next keys the accepted manifests named (the publisher's key rotation).
#include <string>

#include "release/release_signature.h"

// The publisher's public key this launcher was built with; empty when it was built without
// one, and then the page's list is trusted as it stands.
std::string builtInReleaseKey();

ReleaseTrust loadReleaseTrust(const std::u16string& confFile, const std::string& builtInKey);
void saveReleaseTrust(const std::u16string& confFile, const ReleaseTrust& trust);
