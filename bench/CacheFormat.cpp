#include "CacheFormat.h"

#include <array>

#include "Cache2Generator.h"
#include "ChromiumGenerator.h"
#include "FirefoxV1Generator.h"
#include "UrlCacheGenerator.h"
#include "sources/chromium/CChromiumCache.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/urlcache/CIECache.h"

namespace vorlane::bench {

namespace {

template <typename Source>
std::unique_ptr<CCacheBrowser> MakeSource(const std::string& folder) {
  auto source = std::make_unique<Source>();
  source->SetCachePath(folder);
  return source;
}

void SetDecodeContent(CCacheBrowser& source, bool decode) {
  source.SetDecodeContent(decode);
}

// CMozillaCache reads both Firefox formats; the folder decides which one it sees.
constexpr std::array<CacheFormat, 4> kFormats = {{
    {"firefox-v1", "Firefox disk cache (map and block files)", &WriteFirefoxV1Cache,
     &MakeSource<CMozillaCache>, nullptr, 0.0},
    {"firefox-cache2", "Firefox cache2 (one file per entry, a tenth compressed)",
     &WriteFirefoxCache2Cache, &MakeSource<CMozillaCache>, &SetDecodeContent, 0.1},
    {"urlcache", "URL cache index.dat (Internet Explorer, Maxthon, Wine)", &WriteUrlCache,
     &MakeSource<CIECache>, nullptr, 0.0},
    {"chromium-simple", "Chromium simple cache (one file per entry, a tenth compressed)",
     &WriteChromiumSimpleCache, &MakeSource<CChromiumCache>, &SetDecodeContent, 0.1, 1.5},
}};

}  // namespace

std::span<const CacheFormat> AllFormats() {
  return kFormats;
}

const CacheFormat* FindFormat(std::string_view name) {
  for (const CacheFormat& format : kFormats) {
    if (format.Name == name) return &format;
  }
  return nullptr;
}

}  // namespace vorlane::bench
