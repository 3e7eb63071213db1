#include <array>

#include "base/ByteReader.h"
#include "sources/ImageHeaders.h"

namespace ImageHeaders {

namespace {

// Real files rarely have more than a few dozen segments before the frame header;
// the bounds keep a crafted chain of tiny segments or fill bytes from looping long.
constexpr int MaxSegments = 512;
constexpr int MaxFillBytes = 256;

bool IsFrameHeader(uint8_t marker) {
  // SOF0 to SOF15, except DHT (C4), JPG (C8) and DAC (CC), which share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsStandalone(uint8_t marker) {
  // TEM and RST0 to RST7 carry no length.
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

}  // namespace

std::optional<ImageDimensions> ProbeJpeg(ImageByteSource& source) {
  // Walks the segment chain from after SOI, following each segment's length with a
  // positioned read, so an EXIF or ICC block of any size costs four bytes.
  uint64_t position = 2;
  int fillBytes = 0;
  for (int segment = 0; segment < MaxSegments; ++segment) {
    std::array<uint8_t, 2> markerBytes{};
    if (!source.Read(position, markerBytes) || markerBytes[0] != 0xFF) return std::nullopt;
    position += 2;
    uint8_t marker = markerBytes[1];
    while (marker == 0xFF) {  // fill bytes before a marker
      if (++fillBytes > MaxFillBytes) return std::nullopt;
      std::array<uint8_t, 1> next{};
      if (!source.Read(position, next)) return std::nullopt;
      ++position;
      marker = next[0];
    }
    if (IsStandalone(marker)) continue;
    // A stuffed zero, a second SOI, the end of the image or a scan before any frame
    // header: not a JPEG that can be measured.
    if (marker == 0x00 || marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return std::nullopt;

    std::array<uint8_t, 2> lengthBytes{};
    if (!source.Read(position, lengthBytes)) return std::nullopt;
    const uint16_t length = Bytes::ByteReader(lengthBytes).BE16(0).value_or(0);
    if (length < 2) return std::nullopt;

    if (IsFrameHeader(marker)) {
      // Length, precision, height, width, component count.
      std::array<uint8_t, 6> frame{};
      if (length < 8 || !source.Read(position + 2, frame)) return std::nullopt;
      Bytes::ByteCursor fields{Bytes::ByteReader(frame)};
      fields.Skip(1);  // sample precision
      const uint16_t height = fields.BE16();
      const uint16_t width = fields.BE16();
      const uint8_t components = fields.U8();
      if (!fields.Ok() || components == 0) return std::nullopt;
      // Height 0 defers the height to a DNL segment after the first scan: unmeasured.
      return Measured(width, height);
    }
    position += length;
  }
  return std::nullopt;
}

}  // namespace ImageHeaders
