#pragma once

// A blockfile cache in memory as Chromium lays it out: entries of up to four 256-byte
// blocks (longer keys in data blocks), streams placed by size, new entries at the end of
// their bucket's chain, sparse children whose bitmaps follow each write. Independent of
// the reader; hashes are FNV-1a unless given (the reader needs only the right bucket).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/MemoryFiles.h"

namespace vorlane::test {

struct ChromiumBlockfileItem {
  std::string Key, Stream0, Stream1, Stream2;
  uint32_t Flags = 0;
  int32_t State = 0;
  std::optional<uint32_t> Hash;  // to force entries into one bucket
};

class ChromiumBlockfileWriter {
 public:
  explicit ChromiumBlockfileWriter(uint32_t version = 0x30000, uint32_t tableLength = 64);

  // Returns the entry's address.
  uint32_t Add(const ChromiumBlockfileItem& item);
  // A parent for `key` and the children that `writes` (body offset, bytes; in write
  // order) leave behind.
  void AddSparse(const std::string& key, const std::string& stream0,
                 const std::vector<std::pair<uint64_t, std::string>>& writes,
                 int64_t signature = 0x2fc0b1c2270646);
  // Damage: overwrites a word of a stored entry (4 next, 20 state, 32 key length...).
  void PatchEntry(uint32_t address, size_t offset, uint32_t value);
  void SetBucket(uint32_t bucket, uint32_t address);
  Bytes::MemoryFiles Files() const;

  std::map<std::string, std::string> FileBytes;

 private:
  uint32_t Store(const std::string& data);  // `data` placed by its size
  uint32_t Allocate(uint32_t type, uint32_t blocks);

  uint32_t TableLength;
  uint32_t NextExternal = 1;
  uint32_t EntryCount = 0;
  std::map<uint32_t, uint32_t> UsedBlocks, LastInBucket;
};

}  // namespace vorlane::test
