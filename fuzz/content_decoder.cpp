// Every decoder over arbitrary bytes, with a small cap and reads of varying size.
//
// Input: one byte (low two bits: the coding; the rest: the read size), then the stored
// body.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "sources/ContentDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  constexpr ContentDecoder::Coding kCodings[] = {
      ContentDecoder::Coding::Gzip, ContentDecoder::Coding::Deflate, ContentDecoder::Coding::Brotli,
      ContentDecoder::Coding::Zstd};
  const ContentDecoder::Coding coding = kCodings[data[0] & 3];
  const size_t step = (data[0] >> 2) == 0 ? SIZE_MAX : (data[0] >> 2);
  const std::span<const uint8_t> input(data + 1, size - 1);
  constexpr uint64_t kCap = 1 << 20;

  size_t position = 0;
  const ContentDecoder::Reader reader = [&](std::span<std::byte> buffer) -> int64_t {
    const size_t n = std::min({step, buffer.size(), input.size() - position});
    if (n > 0) std::memcpy(buffer.data(), input.data() + position, n);
    position += n;
    return static_cast<int64_t>(n);
  };
  uint64_t written = 0;
  const ContentDecoder::Writer writer = [&](std::span<const std::byte> bytes) {
    written += bytes.size();
    return true;
  };
  uint64_t decoded = 0;
  const ContentDecoder::Result result =
      ContentDecoder::Decode(coding, reader, writer, kCap, &decoded);
  // Nothing past the cap, and the count matches what the writer saw.
  if (written > kCap || decoded != written) std::abort();
  (void)result;
  return 0;
}
