// The publisher's key is the program's own: each program compiles this file with the key it is
// built with (LAUNCHER_RELEASE_PUBLIC_KEY), and nothing else in the core depends on which.
#include "update/release_trust_store.h"

std::string builtInReleaseKey() { return LAUNCHER_RELEASE_PUBLIC_KEY; }
