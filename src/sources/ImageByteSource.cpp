#include "sources/ImageByteSource.h"

bool ImageByteSource::Read(uint64_t offset, std::span<uint8_t> out) {
  const uint64_t size = Size();
  const uint64_t length = out.size();
  if (offset > size || length > size - offset) return false;
  if (length > ReadBudget - Spent) return false;
  Spent += length;
  return Fetch(offset, out);
}

// The decoders below are only called with offsets inside a buffer the caller has
// filled; the span keeps _GLIBCXX_ASSERTIONS builds checking that.

uint16_t ImageByteSource::LittleEndian16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t ImageByteSource::LittleEndian24(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 16);
}

uint32_t ImageByteSource::LittleEndian32(std::span<const uint8_t> bytes, size_t offset) {
  return LittleEndian24(bytes, offset) | (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

uint16_t ImageByteSource::BigEndian16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

uint32_t ImageByteSource::BigEndian32(std::span<const uint8_t> bytes, size_t offset) {
  return (static_cast<uint32_t>(bytes[offset]) << 24) |
         (static_cast<uint32_t>(bytes[offset + 1]) << 16) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 8) | static_cast<uint32_t>(bytes[offset + 3]);
}
