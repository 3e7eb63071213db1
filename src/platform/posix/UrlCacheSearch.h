#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/UrlCache.h"
#include "platform/posix/UrlCacheIndex.h"

namespace Platform {

// One enumeration of a cache: a snapshot of its index file and a place in the walk.
// Items are handed out the way the system's URL-cache search does it: copied into
// the caller's buffer, or, when they do not fit, the size they need.
class UrlCacheSearch {
 public:
  enum class Result { Item, BufferTooSmall, NoMoreItems };

  // Reads the index file of `folder`; null when there is none or it is not an index.
  static std::unique_ptr<UrlCacheSearch> Open(const std::string& folder);

  UrlCacheSearch(const UrlCacheSearch&) = delete;
  UrlCacheSearch& operator=(const UrlCacheSearch&) = delete;

  // Back to the first item.
  void Restart();
  // Places the next item into `buffer` (`size` bytes, aligned for a UrlCacheItem).
  // When it does not fit, `size` receives the bytes it needs and the same item is
  // offered again by the next call.
  Result Next(std::byte* buffer, size_t& size);

 private:
  // An item read from the index with its strings already in their final form.
  struct Pending {
    std::string SourceUrlName;
    std::optional<std::string> LocalFileName;
    std::optional<std::string> HeaderInfo;
    UrlCacheItem Numbers;
  };

  UrlCacheSearch() = default;
  Pending Prepare(const UrlCacheRecord& record) const;

  std::string Folder;
  std::string Bytes;
  std::optional<UrlCacheIndex> Index;
  std::optional<Pending> Current;
};

}  // namespace Platform
