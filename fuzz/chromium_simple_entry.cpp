// One file of Chromium's simple cache from the input, read both as an entry file
// (`_0`) and as a sparse file (`_s`), with the response info and key it holds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "base/RangeFetch.h"
#include "base/ResponseHead.h"
#include "sources/chromium/ChromiumKey.h"
#include "sources/chromium/ChromiumResponseInfo.h"
#include "sources/chromium/ChromiumSimple.h"
#include "sources/chromium/ChromiumSimpleSparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bytes = std::as_bytes(std::span<const uint8_t>(data, size));
  const Bytes::RangeFetch fetch = Bytes::MemoryFetch(bytes);
  if (const auto entry = ChromiumSimple::ReadEntryFile("0123456789abcdef_0", size, fetch)) {
    const auto& body = entry->Stream1;
    if (body.FileOffset > size || body.Length > size - body.FileOffset ||
        entry->Stream0.size() > ChromiumSimple::MaxStream0Length) {
      std::abort();
    }
    Chromium::ParseKey(entry->Key);
    if (const auto info = Chromium::ParseResponseInfo(entry->Stream0)) {
      const ResponseHead head = ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul);
      Chromium::FullBodyLength(head);
      info->ResponseTimeSeconds();
    }
  }
  if (const auto sparse = ChromiumSimple::ReadSparseFile("0123456789abcdef_s", size, fetch)) {
    uint64_t end = 0;
    for (const auto& range : sparse->Ranges) {
      // Arranged: in order, without overlaps, every byte inside the file.
      if (range.Length == 0 || range.BodyOffset < end || range.FileOffset > size ||
          range.Length > size - range.FileOffset) {
        std::abort();
      }
      end = range.BodyOffset + range.Length;
    }
    if (Chromium::CoversBody(sparse->Ranges, end) !=
        (Chromium::CoveredBytes(sparse->Ranges, end) == end)) {
      std::abort();
    }
  }
  ChromiumSimple::ParseEntryFileName(
      std::string_view(reinterpret_cast<const char*>(data), size < 32 ? size : 32));
  return 0;
}
