#include "sources/urlcache/UrlCacheFormat.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/UrlCache.h"
#include "sources/urlcache/CIECache.h"
#include "sources/urlcache/UrlCacheFolder.h"
#include "sources/urlcache/UrlCacheIndexReader.h"

namespace {

bool HoldsUrlCache(const std::string& folder) {
  return Platform::FileExists(Platform::JoinPath(folder, UrlCacheIndexEnumerator::IndexFileName));
}

CacheSearch FindUrlCaches(const Platform::BrowserPlaces&) {
  CacheSearch search;
  UrlCacheFolderSearch found = FindUrlCacheFolder();
  if (found.Folder) search.Folders.push_back(std::move(*found.Folder));
  search.LookedAt = std::move(found.LookedAt);
  search.KeptBySystem = Platform::OpenSystemUrlCache() != nullptr;
  return search;
}

// One cache for every browser that uses it: the places of a row do not matter.
std::unique_ptr<CCacheBrowser> NewUrlCacheSource(const Platform::BrowserPlaces&) {
  return std::make_unique<CIECache>();
}

// Outside Windows these caches exist only in a Wine prefix, and the heading says so.
#ifdef _WIN32
constexpr std::string_view kHeadingKey = "OptGroupUrlCacheWindows";
#else
constexpr std::string_view kHeadingKey = "OptGroupUrlCache";
#endif

const CacheFormat kFormat{"urlcache", "URL cache", &HoldsUrlCache, &FindUrlCaches,
                          &NewUrlCacheSource, "comb-ie", kHeadingKey,
                          "the folder holding index.dat", "the URL cache's 'index.dat'",
                          // On Windows the system keeps the cache, so it is always found.
                          "OptNoWineCache"};

}  // namespace

const CacheFormat& UrlCacheFormat() {
  return kFormat;
}
