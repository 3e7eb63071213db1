#pragma once

#include <string>

#include "platform/Paths.h"

// The cache folder of the user's profile of a Firefox-family browser kept in `places`,
// found without the browser; empty when there is no profile. Keeps no state.
std::string FindCacheFolder(const Platform::BrowserPlaces& places);
// Where FindCacheFolder looks, for a message when it finds nothing.
std::string FirefoxProfilesLookedAt(const Platform::BrowserPlaces& places);
