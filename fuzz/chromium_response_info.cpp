// Stream 0 of a Chromium cache entry (the response info pickle) from the input, its
// head, and the same bytes taken as a cache key.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "base/ResponseHead.h"
#include "sources/chromium/ChromiumKey.h"
#include "sources/chromium/ChromiumResponseInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bytes = std::as_bytes(std::span<const uint8_t>(data, size));
  if (const auto info = Chromium::ParseResponseInfo(bytes)) {
    const auto* begin = reinterpret_cast<const char*>(data);
    if (info->Headers.data() < begin ||
        info->Headers.data() + info->Headers.size() > begin + size) {
      std::abort();
    }
    const ResponseHead head = ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul);
    head.StatusCode();
    Chromium::FullBodyLength(head);
    info->ResponseTimeSeconds();
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Chromium::CacheKey key = Chromium::ParseKey(text);
  // Every part is a view into the key.
  for (const std::string_view part : {key.Url, key.TopFrameSite, key.FrameSite, key.ParentKey}) {
    if (!part.empty() &&
        (part.data() < text.data() || part.data() + part.size() > text.data() + size)) {
      std::abort();
    }
  }
  return 0;
}
