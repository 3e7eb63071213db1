// The two index files of Chromium's simple cache from the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sources/chromium/ChromiumSimpleIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bytes = std::as_bytes(std::span<const uint8_t>(data, size));
  if (const auto index = ChromiumSimple::ParseRealIndex(bytes)) {
    if (index->Records.size() != index->EntryCount ||
        index->Records.size() * ChromiumSimple::IndexRecordSize > size) {
      std::abort();
    }
  }
  ChromiumSimple::ParseFakeIndex(bytes);
  return 0;
}
