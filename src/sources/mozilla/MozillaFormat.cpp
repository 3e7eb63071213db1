#include "sources/mozilla/MozillaFormat.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaCache2Reader.h"
#include "sources/mozilla/MozillaCacheFolder.h"
#include "sources/mozilla/MozillaMap.h"

namespace {

// Either format: the map of the old one, or the entries folder of cache2.
bool HoldsMozillaCache(const std::string& folder) {
  return Platform::FileExists(Platform::JoinPath(folder, MozillaV1::CacheFileName(0))) ||
         Platform::FolderExists(Platform::JoinPath(folder, MozillaCache2::EntriesFolder));
}

CacheSearch FindMozillaCaches(const Platform::BrowserPlaces& places) {
  CacheSearch search;
  if (std::string folder = FindCacheFolder(places); !folder.empty()) {
    search.Folders.push_back(std::move(folder));
  }
  search.LookedAt = FirefoxProfilesLookedAt(places);
  return search;
}

std::unique_ptr<CCacheBrowser> NewMozillaSource(const Platform::BrowserPlaces& places) {
  return std::make_unique<CMozillaCache>(places);
}

const CacheFormat kFormat{"mozilla",
                          "Firefox disk cache",
                          &HoldsMozillaCache,
                          &FindMozillaCaches,
                          &NewMozillaSource,
                          "comb-mozilla",
                          "OptGroupMozilla",
                          "the profile's cache folder",
                          "a cache2 'entries' folder, or a version 1 cache map '_CACHE_MAP_'",
                          ""};

}  // namespace

const CacheFormat& MozillaFormat() {
  return kFormat;
}
