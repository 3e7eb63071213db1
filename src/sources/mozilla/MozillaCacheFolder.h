#pragma once

#include <string>

// The cache folder of the user's Firefox profile, found without the browser; empty
// when there is no profile. Keeps no state.
std::string FindCacheFolder();
// Where FindCacheFolder looks, for a message when it finds nothing.
std::string FirefoxProfilesLookedAt();
