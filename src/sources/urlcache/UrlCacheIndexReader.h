#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/CacheFiles.h"
#include "platform/UrlCache.h"
#include "sources/urlcache/UrlCacheIndex.h"

// Enumerates a URL cache by reading its index file (index.dat) from the cache folder:
// a snapshot of the file taken when it is opened, walked record by record. Entries name
// their cached file relative to the cache folder.
class UrlCacheIndexEnumerator : public Platform::UrlCacheEnumerator {
 public:
  static constexpr const char* IndexFileName = "index.dat";

  // Null when the folder holds no readable index; `failure` then says why.
  static std::unique_ptr<UrlCacheIndexEnumerator> Open(const Platform::OpenFolder& folder,
                                                       std::string* failure = nullptr);
  // The same over index bytes already in memory (tests, fuzzing).
  static std::unique_ptr<UrlCacheIndexEnumerator> FromBytes(std::string bytes);

  std::optional<Platform::UrlCacheEntry> Next() override;

 private:
  UrlCacheIndexEnumerator() = default;
  Platform::UrlCacheEntry Prepare(const UrlCacheRecord& record) const;

  std::string Bytes;
  std::optional<UrlCacheIndex> Index;
};
