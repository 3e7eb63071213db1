#include "sources/CacheFormats.h"

#include <algorithm>
#include <array>

#include "sources/chromium/ChromiumFormat.h"
#include "sources/mozilla/MozillaFormat.h"
#include "sources/urlcache/UrlCacheFormat.h"

std::span<const CacheFormat* const> CacheFormats() {
  static const std::array<const CacheFormat*, 3> formats{&MozillaFormat(), &UrlCacheFormat(),
                                                         &ChromiumFormat()};
  return formats;
}

const CacheFormat* FindCacheFormat(std::string_view id) {
  for (const CacheFormat* format : CacheFormats()) {
    if (format->Id == id) return format;
  }
  return nullptr;
}

std::unique_ptr<CCacheBrowser> MakeSource(const CacheFormat& format,
                                          const Platform::BrowserPlaces& places,
                                          const std::string& folder) {
  std::unique_ptr<CCacheBrowser> source = format.NewSource(places);
  source->SetCachePath(folder);
  return source;
}

bool HasCacheIn(const CacheFormat& format, const Platform::BrowserPlaces& places) {
  const CacheSearch search = format.FindCaches(places);
  return search.KeptBySystem ||
         std::any_of(search.Folders.begin(), search.Folders.end(), format.HoldsCache);
}
