#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/CacheFiles.h"
#include "platform/UrlCache.h"
#include "sources/CCacheBrowser.h"

// The cache source of Internet Explorer and Maxthon, which share the URL cache. It
// enumerates the cache (the system's own where it has one, else the cache's index
// file), keeps one entry per usable item and copies an entry's cached file when a
// filter matches it. CachePath, when set, names the folder that holds the index file;
// empty means the platform's default cache.
class CIECache : public CCacheBrowser {
 public:
  struct CIECacheElement : CCacheElement {
    // The cached file below the cache folder ('/'-joined pieces); empty for an entry of
    // the system's cache, whose LocalFile is a full path.
    std::string RelativeFile;
  };

  ~CIECache() override;

  std::string GetEntryFile(const CCacheElement& entry) const override;
  // The whole cached file. A file below the cache folder is opened without following a
  // link; Wine names a non-ASCII file on disk with its UTF-8 name read once more as
  // Windows-1252, so that spelling is tried too.
  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override;
  // Opens the cache: the system's (CachePath empty, where the system keeps one) or the
  // index file in CachePath or in the default folder. Throws the open error, with the
  // folder it looked in, when there is none.
  void Open() override;
  void Close() override;
  // Opens the cache first when that has not been done.
  void ReadEntries() override;

  // The value of the Content-Type line of stored response headers, letters as
  // stored; empty when there is none.
  static std::string ContentTypeFromHeaders(std::string_view headers);
  // The value of the Content-Encoding line, lower-cased; empty when there is none.
  static std::string ContentEncodingFromHeaders(std::string_view headers);
  // A FILETIME (100 ns since 1601, UTC) as seconds since 1970; 0 for a zero time
  // or one before 1970.
  static int64_t TimeFromFileTime(uint64_t fileTime);

 private:
  Platform::OpenFolder Root;
  std::string RootPath;  // the folder Root was opened from
  std::unique_ptr<Platform::UrlCacheEnumerator> Enumerator;
};
