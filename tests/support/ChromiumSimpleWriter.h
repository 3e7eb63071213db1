#pragma once

// Builds the files of Chromium's simple cache backend byte by byte: entry files
// (`_0`), sparse files (`_s`) and both index files, with damage on request.
// Independent of the reader. The 32 bytes of the key's SHA-256 are written as zeros
// and header key hashes as 0: the reader checks neither.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlane::test {

struct ChromiumSimpleItem {
  std::string Key;
  std::string Stream0;  // e.g. ChromiumResponseInfo(...)
  std::string Stream1;  // the body as stored
  bool KeySha256 = true;
  bool Stream1Crc = true;
  std::optional<uint32_t> Stream0CrcOverride;  // a wrong CRC, for damage
  std::optional<uint32_t> Stream0SizeOverride;
  uint32_t Version = 5;
};

struct ChromiumSparseRange {
  ChromiumSparseRange(uint64_t offset, std::string data, std::optional<uint32_t> crc = {})
      : Offset(offset), Data(std::move(data)), Crc(crc) {}
  uint64_t Offset = 0;
  std::string Data;
  std::optional<uint32_t> Crc;  // default: the data's CRC-32
};

struct ChromiumIndexRecord {
  uint64_t Hash = 0;
  int64_t LastUsed = 0;
  uint64_t Size = 0;
  uint8_t Hints = 0;
};

class ChromiumSimpleWriter {
 public:
  static std::string EntryFile(const ChromiumSimpleItem& item);
  static std::string SparseFile(std::string_view key,
                                const std::vector<ChromiumSparseRange>& ranges,
                                uint32_t version = 9);
  static std::string FakeIndex(uint32_t version = 9);
  static std::string RealIndex(uint32_t version, const std::vector<ChromiumIndexRecord>& records,
                               uint32_t reason = 0);
};

}  // namespace vorlane::test
