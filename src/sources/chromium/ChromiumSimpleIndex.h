#pragma once

// The two index files of Chromium's simple backend. Neither is needed to read the
// entries (the browser itself rebuilds its index from a scan of the folder when the
// index is stale or missing); they are read for diagnostics and completeness.
//  - `index`: 24 bytes, the entry files' magic and the backend's version.
//  - `index-dir/the-real-index`: a base::Pickle with a header of payload size and
//    CRC-32 of the payload, then the magic, version, entry count, cache size, (from
//    version 7) why it was written, one record per entry and the folder's time.
// Pure: no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ChromiumSimple {

inline constexpr size_t FakeIndexSize = 24;
inline constexpr uint64_t RealIndexMagic = 0x656e74657220796f;  // "oy retne" on disk
inline constexpr uint32_t MinRealIndexVersion = 6;
inline constexpr uint32_t MaxRealIndexVersion = 9;
// From this version on a record's size is in 256-byte units above a byte of hints.
inline constexpr uint32_t PackedSizeVersion = 8;
// Chromium refuses indexes with more entries than this.
inline constexpr uint64_t MaxIndexEntries = 1000000;
inline constexpr size_t IndexRecordSize = 24;
// The largest sound index, so a reader knows how much it may load at most.
inline constexpr size_t MaxRealIndexSize = 8 + 40 + IndexRecordSize * MaxIndexEntries + 8;

struct FakeIndex {
  uint32_t Version = 0;
};

struct IndexRecord {
  uint64_t Hash = 0;     // as in the entry's file names
  int64_t LastUsed = 0;  // microseconds since 1601, whole seconds
  uint64_t Size = 0;     // bytes of the entry's files
  uint8_t Hints = 0;     // in-memory hints (version 8 on)
};

struct RealIndex {
  uint32_t Version = 0;
  uint64_t EntryCount = 0;
  uint64_t CacheSize = 0;
  std::optional<uint32_t> Reason;  // 0 shutdown, 1 startup merge, 2 idle... (version 7 on)
  std::vector<IndexRecord> Records;
  int64_t CacheModified = 0;  // the folder's time when written, microseconds since 1601
};

// nullopt unless 24 bytes or more that begin with the entry files' magic.
std::optional<FakeIndex> ParseFakeIndex(std::span<const std::byte> bytes);

// nullopt when the file is short, its CRC is wrong, the magic or version is not one,
// or the count is beyond the bound or runs past the payload.
std::optional<RealIndex> ParseRealIndex(std::span<const std::byte> bytes);

}  // namespace ChromiumSimple
