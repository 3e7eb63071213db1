#pragma once

// The URL cache shared by Internet Explorer and Maxthon, seen as a list of items.
// On Windows the system enumerates it; elsewhere the cache's own index file
// (index.dat, as written by Internet Explorer or by Wine) is read. Nothing here
// throws.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Platform {

// Cache entry type flags that callers select on.
inline constexpr uint32_t NormalCacheEntry = 0x00000001;
inline constexpr uint32_t CookieCacheEntry = 0x00100000;
inline constexpr uint32_t UrlHistoryCacheEntry = 0x00200000;

// One item of the cache. It lives at the start of the enumerator's buffer and its
// strings follow it in the same buffer, so it stays valid until the next First or
// Next. Strings are UTF-8 and NUL-terminated; a null pointer means "none".
struct UrlCacheItem {
  const char* SourceUrlName = nullptr;
  // Full path of the cached file: cache folder + directory name + file name.
  const char* LocalFileName = nullptr;
  // The stored response headers (lines ending in CR LF).
  const char* HeaderInfo = nullptr;
  uint32_t HeaderInfoSize = 0;  // bytes of HeaderInfo without the final NUL
  uint32_t CacheEntryType = 0;
  uint32_t SizeLow = 0;
  uint32_t SizeHigh = 0;
  // FILETIME values (100 ns since 1601, UTC); 0 when the cache holds none.
  uint64_t LastModifiedTime = 0;
  uint64_t ExpireTime = 0;
  uint64_t LastAccessTime = 0;
  uint64_t LastSyncTime = 0;
};

class UrlCacheSearch;

// Walks the items of one cache with a single reusable buffer: it starts with the
// first request size, grows to exactly what an item needs and never shrinks.
class UrlCacheEnumerator {
 public:
  static constexpr size_t FirstRequestSize = 4096;

  UrlCacheEnumerator();
  ~UrlCacheEnumerator();
  UrlCacheEnumerator(const UrlCacheEnumerator&) = delete;
  UrlCacheEnumerator& operator=(const UrlCacheEnumerator&) = delete;

  // Takes a snapshot of the cache whose index file lies in `folder`. False when
  // there is no readable index there; First then yields nothing.
  bool OpenIndex(const std::string& folder);
  // Starts the enumeration over (closing any running one) and returns the first
  // item, or null when there is none.
  const UrlCacheItem* First();
  // The next item, or null at the end and before First.
  const UrlCacheItem* Next();
  // Ends the enumeration; the buffer is kept for a later First.
  void Close();

  size_t BufferSize() const { return BufferBytes; }

 private:
  const UrlCacheItem* Fetch(size_t requestedSize);
  void PrepareBuffer(size_t requestedSize);

  std::unique_ptr<UrlCacheSearch> Search;
  bool Searching = false;
  std::unique_ptr<std::byte[]> Buffer;
  size_t BufferBytes = 0;
};

// The folder that holds the URL cache's index file by default, or "" when there is
// none. Here: the Wine prefix ($WINEPREFIX, default ~/.wine), every user folder
// under drive_c/users in name order, first the current cache folder
// (AppData/Local/Microsoft/Windows/INetCache/Content.IE5), then the older one
// (Local Settings/Temporary Internet Files/Content.IE5).
std::string FindUrlCacheFolder();

}  // namespace Platform
