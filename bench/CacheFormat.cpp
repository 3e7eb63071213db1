#include "CacheFormat.h"

#include <array>

#include "Cache2Generator.h"
#include "ChromiumGenerator.h"
#include "FirefoxV1Generator.h"
#include "UrlCacheGenerator.h"
#include "sources/CacheFormats.h"

namespace vorlane::bench {

namespace {

void SetDecodeContent(CCacheBrowser& source, bool decode) {
  source.SetDecodeContent(decode);
}

// One source reads both Firefox formats; the folder decides which one it sees.
constexpr std::array<CacheFormat, 5> kFormats = {{
    {"firefox-v1", "Firefox disk cache (map and block files)", &WriteFirefoxV1Cache, "mozilla",
     nullptr, 0.0},
    {"firefox-cache2", "Firefox cache2 (one file per entry, a tenth compressed)",
     &WriteFirefoxCache2Cache, "mozilla", &SetDecodeContent, 0.1},
    {"urlcache", "URL cache index.dat (Internet Explorer, Maxthon, Wine)", &WriteUrlCache,
     "urlcache", nullptr, 0.0},
    {"chromium-simple", "Chromium simple cache (one file per entry, a tenth compressed)",
     &WriteChromiumSimpleCache, "chromium", &SetDecodeContent, 0.1, 1.5},
    {"chromium-simple-bare", "Chromium simple cache without index-dir (found by its names)",
     &WriteChromiumSimpleCacheWithoutIndexDir, "chromium", &SetDecodeContent, 0.1, 1.5},
}};

}  // namespace

std::unique_ptr<CCacheBrowser> CacheFormat::MakeSource(const std::string& folder) const {
  const ::CacheFormat* format = FindCacheFormat(SourceFormat);
  return format ? ::MakeSource(*format, {}, folder) : nullptr;
}

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
