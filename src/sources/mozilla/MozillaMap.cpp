#include "sources/mozilla/MozillaMap.h"

#include <algorithm>

#include "base/ByteReader.h"
#include "platform/Paths.h"

namespace MozillaV1 {

namespace {

constexpr uint32_t kInitializedMask = 0x80000000;
constexpr uint32_t kSelectorMask = 0x30000000;
constexpr uint32_t kExtraBlocksMask = 0x03000000;
constexpr uint32_t kReservedMask = 0x4C000000;
constexpr uint32_t kBlockNumberMask = 0x00FFFFFF;
constexpr uint32_t kGenerationMask = 0x000000FF;

static_assert(MapHeaderSize == 5 * 4 + 2 * BucketCount * 4);
static_assert(MapRecordSize == 4 * 4);

// Upper-case hex digits of the low `digits` nibbles (a listing names many files, so
// this avoids a formatted print per entry).
void AppendHex(std::string& out, uint32_t value, int digits) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::optional<MapHeader> ParseMapHeader(std::span<const std::byte> bytes) {
  Bytes::ByteCursor in{Bytes::ByteReader(bytes)};
  MapHeader header;
  header.Version = in.BE32();
  header.DataSize = in.BE32();
  header.EntryCount = static_cast<int32_t>(in.BE32());
  header.IsDirty = in.BE32();
  header.RecordCount = static_cast<int32_t>(in.BE32());
  for (uint32_t& rank : header.EvictionRank) rank = in.BE32();
  for (uint32_t& usage : header.BucketUsage) usage = in.BE32();
  if (!in.Ok()) return std::nullopt;
  return header;
}

bool IsKnownVersion(uint32_t version) {
  return (version >> 16) == 1;
}

uint64_t RecordBytesAnnounced(const MapHeader& header) {
  if (!IsKnownVersion(header.Version)) return 0;
  if (header.RecordCount <= 0 || header.RecordCount % static_cast<int32_t>(BucketCount) != 0) {
    return 0;
  }
  const uint64_t bytes = static_cast<uint64_t>(header.RecordCount) * MapRecordSize;
  return bytes <= MaxMapRecordBytes ? bytes : 0;
}

std::vector<MapRecord> LiveRecords(const MapHeader& header, std::span<const std::byte> records) {
  std::vector<MapRecord> live;
  const uint64_t announced = RecordBytesAnnounced(header);
  if (announced == 0) return live;
  const uint64_t perBucket = announced / MapRecordSize / BucketCount;
  const Bytes::ByteReader reader(records);
  for (uint32_t bucket = 0; bucket < BucketCount; ++bucket) {
    const uint64_t used = std::min<uint64_t>(header.BucketUsage[bucket], perBucket);
    for (uint64_t i = 0; i < used; ++i) {
      const uint64_t offset = (bucket * perBucket + i) * MapRecordSize;
      Bytes::ByteCursor in(reader, offset);
      MapRecord record;
      record.Hash = in.BE32();
      record.EvictionRank = in.BE32();
      record.DataLocation = in.BE32();
      record.MetaLocation = in.BE32();
      if (!in.Ok()) return live;
      if (record.Hash == 0) continue;
      if ((record.DataLocation & kReservedMask) || (record.MetaLocation & kReservedMask)) continue;
      live.push_back(record);
    }
  }
  return live;
}

Location DecodeLocation(uint32_t word) {
  Location location;
  location.File = (word & kSelectorMask) >> 28;
  location.BlockCount = ((word & kExtraBlocksMask) >> 24) + 1;
  location.FirstBlock = word & kBlockNumberMask;
  location.Generation = static_cast<uint8_t>(word & kGenerationMask);
  location.Initialized = (word & kInitializedMask) != 0;
  location.Reserved = (word & kReservedMask) != 0;
  return location;
}

uint32_t BitmapSize(uint32_t version, uint32_t file) {
  if (version < NestedLayoutVersion) return 4096;
  switch (file) {
    case 1:
      return 16384;
    case 2:
      return 4096;
    default:
      return 1024;
  }
}

uint32_t BlockSize(uint32_t file) {
  return 256u << (2 * (std::clamp<uint32_t>(file, 1, BlockFileCount) - 1));
}

std::optional<ByteRange> BlockRange(uint32_t version, const Location& location) {
  if (location.File < 1 || location.File > BlockFileCount) return std::nullopt;
  const uint64_t bitmap = BitmapSize(version, location.File);
  // Each bitmap bit stands for one block; a location past them is damage.
  const uint64_t blocks = bitmap * 8;
  if (location.FirstBlock >= blocks || location.BlockCount > blocks - location.FirstBlock) {
    return std::nullopt;
  }
  const uint64_t size = BlockSize(location.File);
  return ByteRange{bitmap + location.FirstBlock * size, location.BlockCount * size};
}

std::string SeparateFileName(uint32_t version, uint32_t hash, char kind, uint8_t generation) {
  std::string text;
  text.reserve(16);
  if (version < NestedLayoutVersion) {
    AppendHex(text, hash, 8);
  } else {
    // The hash's first digit and the two after it name the folders.
    AppendHex(text, hash >> 28, 1);
    text += Platform::PathSeparator;
    AppendHex(text, (hash >> 20) & 0xFF, 2);
    text += Platform::PathSeparator;
    AppendHex(text, hash & 0xFFFFF, 5);
  }
  text += kind;
  AppendHex(text, generation, 2);
  return text;
}

std::string CacheFileName(uint32_t file) {
  if (file == 0) return "_CACHE_MAP_";
  return "_CACHE_00" + std::to_string(std::min(file, BlockFileCount)) + "_";
}

}  // namespace MozillaV1
