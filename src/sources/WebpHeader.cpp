#include <array>
#include <cstring>

#include "sources/ImageHeaders.h"

namespace ImageHeaders {

std::optional<ImageDimensions> ProbeWebp(ImageByteSource& source) {
  // "RIFF", file size, "WEBP", then the first chunk's name and size at 12 and 16.
  std::array<uint8_t, 20> riff{};
  if (!source.Read(0, riff)) return std::nullopt;
  if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(&riff[8], "WEBP", 4) != 0) {
    return std::nullopt;
  }
  const uint32_t chunkSize = ImageByteSource::LittleEndian32(riff, 16);
  std::array<uint8_t, 10> data{};

  if (std::memcmp(&riff[12], "VP8 ", 4) == 0) {
    // Lossy: a key frame's 3-byte tag, the start code 9D 01 2A, then 14-bit sides
    // whose top two bits are a scaling hint, not part of the size.
    if (chunkSize < data.size() || !source.Read(20, data)) return std::nullopt;
    const bool keyFrame = (data[0] & 0x01) == 0;
    if (!keyFrame || data[3] != 0x9D || data[4] != 0x01 || data[5] != 0x2A) return std::nullopt;
    return Measured(ImageByteSource::LittleEndian16(data, 6) & 0x3FFFu,
                    ImageByteSource::LittleEndian16(data, 8) & 0x3FFFu);
  }
  if (std::memcmp(&riff[12], "VP8L", 4) == 0) {
    // Lossless: signature byte 2F, then width-1 and height-1 in 14 bits each,
    // an alpha bit and a 3-bit version that must be 0.
    const std::span<uint8_t> head(data.data(), 5);
    if (chunkSize < head.size() || !source.Read(20, head)) return std::nullopt;
    const uint32_t bits = ImageByteSource::LittleEndian32(head, 1);
    if (head[0] != 0x2F || (bits >> 29) != 0) return std::nullopt;
    return Measured((bits & 0x3FFFu) + 1, ((bits >> 14) & 0x3FFFu) + 1);
  }
  if (std::memcmp(&riff[12], "VP8X", 4) == 0) {
    // Extended: flags, three reserved bytes, canvas width-1 and height-1 in 24 bits.
    if (chunkSize < data.size() || !source.Read(20, data)) return std::nullopt;
    return Measured(uint64_t{ImageByteSource::LittleEndian24(data, 4)} + 1,
                    uint64_t{ImageByteSource::LittleEndian24(data, 7)} + 1);
  }
  return std::nullopt;
}

}  // namespace ImageHeaders
