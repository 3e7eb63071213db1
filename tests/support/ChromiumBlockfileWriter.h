#pragma once

// Builds a blockfile cache (index, data_0 to data_3, f_ files) in memory the way
// Chromium lays it out: entries in 256-byte blocks (up to four for longer keys), data
// by size in 256 B, 1 KiB or 4 KiB blocks or external files, new entries linked at the
// end of their bucket's chain, sparse bodies as a parent and 1 MiB children updated
// write by write. Independent of the reader; hashes are the writer's own (FNV-1a), as
// the reader only needs each entry in its hash's bucket.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/MemoryFiles.h"

namespace vorlane::test {

struct ChromiumBlockfileItem {
  std::string Key;
  std::string Stream0, Stream1, Stream2;
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
  // order) leave behind. Returns the parent's address.
  uint32_t AddSparse(const std::string& key, const std::string& stream0,
                     const std::vector<std::pair<uint64_t, std::string>>& writes,
                     int64_t signature = 0x2fc0b1c2270646);
  // Damage: overwrites a word of a stored entry (4: next, 20: state, 32: key_len...).
  void PatchEntry(uint32_t address, size_t offset, uint32_t value);
  void SetBucket(uint32_t bucket, uint32_t address);

  uint32_t Bucket(const std::string& key) const;
  Bytes::MemoryFiles Files() const;
  std::map<std::string, std::string> FileBytes;

 private:
  uint32_t Store(const std::string& data);  // address of `data` placed by its size
  uint32_t Allocate(int type, uint32_t blocks);
  std::string& EntryBytes(uint32_t address, size_t& offset);

  uint32_t TableLength;
  uint32_t NextExternal = 1;
  uint32_t EntryCount = 0;
  std::map<int, uint32_t> UsedBlocks;
  std::map<uint32_t, uint32_t> LastInBucket;
};

}  // namespace vorlane::test
