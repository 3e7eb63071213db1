#pragma once

// The map and block-file geometry of the Firefox disk cache (the format Firefox 1.5 to
// 31 wrote into a profile's Cache/ folder). Pure functions over bytes: no I/O.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace MozillaV1 {

inline constexpr size_t MapHeaderSize = 276;
inline constexpr size_t MapRecordSize = 16;
inline constexpr uint32_t BucketCount = 32;
inline constexpr uint32_t BlockFileCount = 3;
// From this map version on, separate files lie in nested folders and block file 1
// has a larger bitmap (Firefox 4 to 31).
inline constexpr uint32_t NestedLayoutVersion = 0x00010013;
// The map is read in one piece; no real map comes near this.
inline constexpr uint64_t MaxMapRecordBytes = uint64_t{64} << 20;

struct MapHeader {
  uint32_t Version = 0;
  uint32_t DataSize = 0;  // in KiB
  int32_t EntryCount = 0;
  uint32_t IsDirty = 0;
  int32_t RecordCount = 0;
  std::array<uint32_t, BucketCount> EvictionRank{};
  std::array<uint32_t, BucketCount> BucketUsage{};
};

struct MapRecord {
  uint32_t Hash = 0;
  uint32_t EvictionRank = 0;
  uint32_t DataLocation = 0;
  uint32_t MetaLocation = 0;
};

// A location word taken apart.
struct Location {
  uint32_t File = 0;        // 0 = separate file, 1..3 = block file
  uint32_t BlockCount = 0;  // 1..4
  uint32_t FirstBlock = 0;
  uint8_t Generation = 0;  // of a separate file
  bool Initialized = false;
  bool Reserved = false;  // bits that no valid location sets
};

struct ByteRange {
  uint64_t Offset = 0;
  uint64_t Length = 0;
};

// The 276-byte header (all words big-endian); nullopt when there are too few bytes.
std::optional<MapHeader> ParseMapHeader(std::span<const std::byte> bytes);
// True for a map version this reader understands (major version 1).
bool IsKnownVersion(uint32_t version);
// Bytes of records the header announces, or 0 when the header is unusable (unknown
// version, a record count that is not a positive multiple of the bucket count, or a
// map larger than MaxMapRecordBytes).
uint64_t RecordBytesAnnounced(const MapHeader& header);

// The live records, bucket by bucket in file order: only the first BucketUsage[b]
// records of each bucket count. Records with hash 0 or reserved location bits are
// skipped. `records` holds the bytes after the header; records it does not hold (a
// truncated map) are simply absent.
std::vector<MapRecord> LiveRecords(const MapHeader& header, std::span<const std::byte> records);

Location DecodeLocation(uint32_t word);

// Bitmap bytes at the start of block file `file` (1..3) and its block size.
uint32_t BitmapSize(uint32_t version, uint32_t file);
uint32_t BlockSize(uint32_t file);
// Where a block location lies in its block file; nullopt when the location is not a
// block location or reaches past the blocks its bitmap can describe.
std::optional<ByteRange> BlockRange(uint32_t version, const Location& location);

// Path of a separate data ('d') or metadata ('m') file relative to the cache folder:
// "1A2B3C4Dd05" flat before NestedLayoutVersion, "1/A2/B3C4Dd05" from it on.
std::string SeparateFileName(uint32_t version, uint32_t hash, char kind, uint8_t generation);
// "_CACHE_001_" .. "_CACHE_003_"; "_CACHE_MAP_" for 0.
std::string CacheFileName(uint32_t file);

}  // namespace MozillaV1
