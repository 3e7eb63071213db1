#include "sources/chromium/ChromiumSimpleIndex.h"

#include <zlib.h>

#include "base/ByteReader.h"
#include "sources/chromium/ChromiumSimple.h"

namespace ChromiumSimple {

namespace {

constexpr size_t kPickleHeaderSize = 8;  // payload size, CRC-32

// magic, version, two words that are 0; padded as the entry files' header
static_assert(FakeIndexSize == PaddedRecordSize(8 + 3 * 4));
// hash, last used, size (with the hints in its low byte from version 8)
static_assert(IndexRecordSize == 3 * 8);

}  // namespace

std::optional<FakeIndex> ParseFakeIndex(std::span<const std::byte> bytes) {
  const Bytes::ByteReader reader(bytes);
  if (reader.Size() < FakeIndexSize || reader.LE64(0) != InitialMagic) return std::nullopt;
  return FakeIndex{*reader.LE32(8)};
}

std::optional<RealIndex> ParseRealIndex(std::span<const std::byte> bytes) {
  const Bytes::ByteReader reader(bytes);
  const auto payloadSize = reader.LE32(0);
  const auto crc = reader.LE32(4);
  if (!payloadSize || !crc || !reader.Has(kPickleHeaderSize, *payloadSize) ||
      *payloadSize > MaxRealIndexSize) {
    return std::nullopt;
  }
  const auto payload = *reader.Sub(kPickleHeaderSize, *payloadSize);
  if (crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(payload.data()),
            static_cast<uInt>(payload.size())) != *crc) {
    return std::nullopt;
  }
  Bytes::ByteCursor cursor{Bytes::ByteReader(payload)};
  const uint64_t magic = cursor.LE64();
  RealIndex index;
  index.Version = cursor.LE32();
  index.EntryCount = cursor.LE64();
  index.CacheSize = cursor.LE64();
  if (index.Version >= 7) index.Reason = cursor.LE32();
  if (!cursor.Ok() || magic != RealIndexMagic || index.Version < MinRealIndexVersion ||
      index.Version > MaxRealIndexVersion || index.EntryCount > MaxIndexEntries ||
      index.EntryCount > cursor.Remaining() / IndexRecordSize) {
    return std::nullopt;
  }
  index.Records.reserve(static_cast<size_t>(index.EntryCount));
  for (uint64_t i = 0; i < index.EntryCount; ++i) {
    IndexRecord record;
    record.Hash = cursor.LE64();
    record.LastUsed = static_cast<int64_t>(cursor.LE64());
    const uint64_t size = cursor.LE64();
    if (index.Version >= PackedSizeVersion) {
      record.Size = (size >> 8) * 256;
      record.Hints = static_cast<uint8_t>(size & 0xFF);
    } else {
      record.Size = size;
    }
    index.Records.push_back(record);
  }
  index.CacheModified = static_cast<int64_t>(cursor.LE64());
  if (!cursor.Ok()) return std::nullopt;
  return index;
}

}  // namespace ChromiumSimple
