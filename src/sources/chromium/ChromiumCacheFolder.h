#pragma once

// Where Chromium-family browsers and the apps built on them keep their disk caches,
// found without the browser. Keeps no state.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Paths.h"

// True when `folder` holds a Chromium disk cache of either kind: an `index` file with
// block files beside it, or simple-cache entry files (`<16 hex>_0`, with or without
// the index).
bool IsChromiumCacheFolder(const std::string& folder);

// The folder that holds the cache files, from what a user names: that folder itself
// (Cache_Data), its parent (Cache), or a profile folder. Empty when none holds a cache.
std::string ResolveChromiumCacheFolder(const std::string& named);

// Every profile's cache folder of a browser, in a fixed order: per place, "Default"
// first, then "Profile N" by number, then the rest by name. Profiles are the ones
// the browser's "Local State" names, else every sub-folder that holds a cache.
std::vector<std::string> FindChromiumCacheFolders(const Platform::BrowserPlaces& places);
// Where FindChromiumCacheFolders looks, for a message when it finds nothing.
std::string ChromiumPlacesLookedAt(const Platform::BrowserPlaces& places);

// The profile folder names in "Local State" (the keys of profile.info_cache); empty when
// the text is not JSON of that shape. Bounded: a damaged file cannot make it loop or
// allocate without limit.
std::vector<std::string> ProfileNamesFromLocalState(std::string_view json);
