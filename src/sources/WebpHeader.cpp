#include <array>

#include "base/ByteReader.h"
#include "sources/ImageHeaders.h"

namespace ImageHeaders {

std::optional<ImageDimensions> ProbeWebp(ImageByteSource& source) {
  // "RIFF", file size, "WEBP", then the first chunk's name and size at 12 and 16.
  std::array<uint8_t, 20> riff{};
  if (!source.Read(0, riff)) return std::nullopt;
  const Bytes::ByteReader head(riff);
  if (!head.Matches(0, "RIFF") || !head.Matches(8, "WEBP")) return std::nullopt;
  const uint32_t chunkSize = head.LE32(16).value_or(0);
  std::array<uint8_t, 10> data{};
  const Bytes::ByteReader chunk(data);

  if (head.Matches(12, "VP8 ")) {
    // Lossy: a key frame's 3-byte tag, the start code 9D 01 2A, then 14-bit sides
    // whose top two bits are a scaling hint, not part of the size.
    if (chunkSize < data.size() || !source.Read(20, data)) return std::nullopt;
    const bool keyFrame = (data[0] & 0x01) == 0;
    if (!keyFrame || !chunk.Matches(3, "\x9D\x01\x2A")) return std::nullopt;
    return Measured(chunk.LE16(6).value_or(0) & 0x3FFFu, chunk.LE16(8).value_or(0) & 0x3FFFu);
  }
  if (head.Matches(12, "VP8L")) {
    // Lossless: signature byte 2F, then width-1 and height-1 in 14 bits each,
    // an alpha bit and a 3-bit version that must be 0.
    const std::span<uint8_t> bits(data.data(), 5);
    if (chunkSize < bits.size() || !source.Read(20, bits)) return std::nullopt;
    const uint32_t word = chunk.LE32(1).value_or(0);
    if (data[0] != 0x2F || (word >> 29) != 0) return std::nullopt;
    return Measured((word & 0x3FFFu) + 1, ((word >> 14) & 0x3FFFu) + 1);
  }
  if (head.Matches(12, "VP8X")) {
    // Extended: flags, three reserved bytes, canvas width-1 and height-1 in 24 bits.
    if (chunkSize < data.size() || !source.Read(20, data)) return std::nullopt;
    return Measured(uint64_t{chunk.LE24(4).value_or(0)} + 1,
                    uint64_t{chunk.LE24(7).value_or(0)} + 1);
  }
  return std::nullopt;
}

}  // namespace ImageHeaders
