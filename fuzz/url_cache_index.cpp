// Feeds arbitrary bytes to the URL cache index reader as if they were index.dat.

#include <cstddef>
#include <cstdint>
#include <span>

#include "sources/urlcache/CIECache.h"
#include "sources/urlcache/UrlCacheIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::byte> bytes = std::as_bytes(std::span(data, size));
  std::optional<UrlCacheIndex> index = UrlCacheIndex::Parse(bytes);
  if (!index) return 0;
  size_t count = 0;
  while (std::optional<UrlCacheRecord> record = index->NextRecord()) {
    ++count;
    if (record->HasHeaderInfo) (void)CIECache::ContentTypeFromHeaders(record->HeaderInfo);
  }
  // The walk holds no state beyond its position: a second one sees the same records.
  index->Rewind();
  size_t again = 0;
  while (index->NextRecord()) ++again;
  if (again != count) __builtin_trap();
  return 0;
}
