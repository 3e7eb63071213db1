#pragma once

// One bounded reader for every parser of outside bytes (cache files, index files,
// image headers): integers of either byte order at absolute offsets, an overflow-safe
// range test and sub-spans. Nothing here reads outside the span it was given; a read
// that does not fit gives nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace Bytes {

// True when `length` bytes starting at `offset` lie inside `size` bytes; written so
// that no sum can overflow.
constexpr bool HasRange(uint64_t size, uint64_t offset, uint64_t length) {
  return offset <= size && length <= size - offset;
}

class ByteReader {
 public:
  constexpr ByteReader() = default;
  constexpr explicit ByteReader(std::span<const std::byte> bytes) : Data(bytes) {}
  explicit ByteReader(std::span<const uint8_t> bytes) : Data(std::as_bytes(bytes)) {}
  explicit ByteReader(std::string_view text)
      : Data(std::as_bytes(std::span<const char>(text.data(), text.size()))) {}

  constexpr size_t Size() const { return Data.size(); }
  constexpr std::span<const std::byte> Span() const { return Data; }
  constexpr bool Has(uint64_t offset, uint64_t length) const {
    return HasRange(Data.size(), offset, length);
  }

  std::optional<std::span<const std::byte>> Sub(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) return std::nullopt;
    return Data.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }
  // A reader over the bytes from `offset` to `offset + length`, clipped to the end.
  ByteReader Clip(uint64_t offset, uint64_t length) const {
    if (offset >= Data.size()) return ByteReader();
    const uint64_t room = Data.size() - offset;
    return ByteReader(Data.subspan(static_cast<size_t>(offset),
                                   static_cast<size_t>(length < room ? length : room)));
  }
  std::optional<std::string_view> Text(uint64_t offset, uint64_t length) const {
    const auto bytes = Sub(offset, length);
    if (!bytes) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  }
  // The whole span as text.
  std::string_view AllText() const {
    return {reinterpret_cast<const char*>(Data.data()), Data.size()};
  }
  // True when the bytes at `offset` are exactly `tag`.
  bool Matches(uint64_t offset, std::string_view tag) const {
    const auto text = Text(offset, tag.size());
    return text && *text == tag;
  }

  std::optional<uint8_t> U8(uint64_t offset) const { return Unsigned<uint8_t, 1, false>(offset); }
  std::optional<uint16_t> LE16(uint64_t offset) const {
    return Unsigned<uint16_t, 2, false>(offset);
  }
  std::optional<uint32_t> LE24(uint64_t offset) const {
    return Unsigned<uint32_t, 3, false>(offset);
  }
  std::optional<uint32_t> LE32(uint64_t offset) const {
    return Unsigned<uint32_t, 4, false>(offset);
  }
  std::optional<uint64_t> LE64(uint64_t offset) const {
    return Unsigned<uint64_t, 8, false>(offset);
  }
  std::optional<uint16_t> BE16(uint64_t offset) const {
    return Unsigned<uint16_t, 2, true>(offset);
  }
  std::optional<uint32_t> BE24(uint64_t offset) const {
    return Unsigned<uint32_t, 3, true>(offset);
  }
  std::optional<uint32_t> BE32(uint64_t offset) const {
    return Unsigned<uint32_t, 4, true>(offset);
  }
  std::optional<uint64_t> BE64(uint64_t offset) const {
    return Unsigned<uint64_t, 8, true>(offset);
  }

 private:
  template <typename T, size_t Width, bool BigEndian>
  std::optional<T> Unsigned(uint64_t offset) const {
    if (!Has(offset, Width)) return std::nullopt;
    const auto at = static_cast<size_t>(offset);
    T value = 0;
    for (size_t i = 0; i < Width; ++i) {
      const auto byte = static_cast<T>(std::to_integer<uint8_t>(Data[at + i]));
      value = static_cast<T>(value | static_cast<T>(byte << (8 * (BigEndian ? Width - 1 - i : i))));
    }
    return value;
  }

  std::span<const std::byte> Data;
};

// Reads one field after another from a position that only moves forward. Once a read
// has failed, every later read fails too, so a parser can read a whole record and
// test Ok() once.
class ByteCursor {
 public:
  explicit ByteCursor(ByteReader reader, uint64_t position = 0)
      : Reader(reader), Position(position) {}

  bool Ok() const { return !Failed; }
  uint64_t Offset() const { return Position; }
  uint64_t Remaining() const {
    return Failed || Position > Reader.Size() ? 0 : Reader.Size() - Position;
  }

  uint8_t U8() { return Take<uint8_t, 1>(&ByteReader::U8); }
  uint16_t LE16() { return Take<uint16_t, 2>(&ByteReader::LE16); }
  uint32_t LE32() { return Take<uint32_t, 4>(&ByteReader::LE32); }
  uint64_t LE64() { return Take<uint64_t, 8>(&ByteReader::LE64); }
  uint16_t BE16() { return Take<uint16_t, 2>(&ByteReader::BE16); }
  uint32_t BE32() { return Take<uint32_t, 4>(&ByteReader::BE32); }
  uint64_t BE64() { return Take<uint64_t, 8>(&ByteReader::BE64); }
  std::span<const std::byte> Bytes(uint64_t length) {
    const auto bytes = Failed ? std::nullopt : Reader.Sub(Position, length);
    if (!bytes) {
      Failed = true;
      return {};
    }
    Position += length;
    return *bytes;
  }
  std::string_view Text(uint64_t length) {
    const std::span<const std::byte> bytes = Bytes(length);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
  bool Skip(uint64_t length) {
    Bytes(length);
    return !Failed;
  }
  // Moves on to the next multiple of `alignment` (counted from the reader's start).
  bool Align(uint64_t alignment) {
    const uint64_t rest = Position % alignment;
    return rest == 0 || Skip(alignment - rest);
  }

 private:
  template <typename T, uint64_t Width>
  T Take(std::optional<T> (ByteReader::*read)(uint64_t) const) {
    const std::optional<T> value = Failed ? std::nullopt : (Reader.*read)(Position);
    if (!value) {
      Failed = true;
      return 0;
    }
    Position += Width;
    return *value;
  }

  ByteReader Reader;
  uint64_t Position = 0;
  bool Failed = false;
};

}  // namespace Bytes
