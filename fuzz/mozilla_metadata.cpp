// Entry metadata and stored response heads from arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaMetadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bytes = std::as_bytes(std::span<const uint8_t>(data, size));
  CMozillaCache::CMozillaCacheElement entry;
  if (MozillaV1::ParseMetadata(bytes, entry)) {
    // The fields must be whole strings the rest of the system can use.
    volatile size_t sink = entry.SourceUrl.size() + entry.MimeType.size() + entry.ETag.size();
    (void)sink;
  }
  CMozillaCache::CMozillaCacheElement head;
  MozillaV1::ParseResponseHead(bytes, head);
  (void)MozillaV1::MetadataExtent(bytes);
  return 0;
}
