#pragma once

// The URL cache shared by Internet Explorer and Maxthon, seen as a list of entries. On
// Windows the system enumerates it (WinINet); elsewhere, and for a cache folder named
// by the user, the cache's own index file is read (sources/urlcache/UrlCacheIndexReader.h),
// behind the same enumerator. Failures: queries return std::optional or a null
// enumerator where the system has nothing to offer; nothing throws.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

// Cache entry type flags that callers select on.
inline constexpr uint32_t NormalCacheEntry = 0x00000001;
inline constexpr uint32_t CookieCacheEntry = 0x00100000;
inline constexpr uint32_t UrlHistoryCacheEntry = 0x00200000;

struct UrlCacheEntry {
  std::string SourceUrl;  // UTF-8
  // Where the cached file is: a full path (the system's cache), or a path of '/'-joined
  // pieces below the cache folder (an index file read from disk). Both empty: no file.
  std::string LocalFile;
  std::string RelativeFile;
  // The stored response headers (lines ending in CR LF); HasHeaderInfo false: none.
  std::string HeaderInfo;
  bool HasHeaderInfo = false;
  uint32_t CacheEntryType = 0;
  uint64_t Size = 0;
  // FILETIME values (100 ns since 1601, UTC); 0 when the cache holds none.
  uint64_t LastModifiedTime = 0;
  uint64_t ExpireTime = 0;
  uint64_t LastAccessTime = 0;
  uint64_t LastSyncTime = 0;
};

class UrlCacheEnumerator {
 public:
  virtual ~UrlCacheEnumerator() = default;
  // The next entry; nullopt at the end.
  virtual std::optional<UrlCacheEntry> Next() = 0;
};

// The system's own URL cache; null where the system keeps none (then the index file
// in FindUrlCacheFolder is read).
std::unique_ptr<UrlCacheEnumerator> OpenSystemUrlCache();

// Where the URL cache's folders may be, in search order; the source takes the first
// that holds its index file. Here: the Wine prefix ($WINEPREFIX, default ~/.wine),
// every user folder under drive_c/users in name order, first the current cache folder
// (AppData/Local/Microsoft/Windows/INetCache/Content.IE5), then the older one (Local
// Settings/Temporary Internet Files/Content.IE5).
struct UrlCacheFolderPlaces {
  std::vector<std::string> Folders;
  // Where they are (a pattern), for a message when no folder holds a cache; "" when
  // there was no place to look at all.
  std::string LookedAt;
};
UrlCacheFolderPlaces UrlCacheFolders();

}  // namespace Platform
