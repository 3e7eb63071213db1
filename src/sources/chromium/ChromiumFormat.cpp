#include "sources/chromium/ChromiumFormat.h"

#include "sources/chromium/CChromiumCache.h"
#include "sources/chromium/ChromiumCacheFolder.h"

namespace {

// A cache folder itself, its parent or a profile folder: what a user may name.
bool HoldsChromiumCache(const std::string& folder) {
  return !ResolveChromiumCacheFolder(folder).empty();
}

CacheSearch FindChromiumCaches(const Platform::BrowserPlaces& places) {
  return {FindChromiumCacheFolders(places), false, ChromiumPlacesLookedAt(places)};
}

std::unique_ptr<CCacheBrowser> NewChromiumSource(const Platform::BrowserPlaces& places) {
  return std::make_unique<CChromiumCache>(places);
}

const CacheFormat kFormat{"chromium",
                          "Chromium disk cache",
                          &HoldsChromiumCache,
                          &FindChromiumCaches,
                          &NewChromiumSource,
                          "comb",
                          "",
                          "Cache/Cache_Data or a profile folder",
                          "an 'index' file or an 'index-dir' folder with the entry files, here "
                          "or in Cache/Cache_Data",
                          ""};

}  // namespace

const CacheFormat& ChromiumFormat() {
  return kFormat;
}
