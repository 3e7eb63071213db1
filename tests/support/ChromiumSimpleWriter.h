#pragma once

// Chromium cache bytes as the browser writes them, independent of the readers: stream 0
// (the response info) and the simple backend's files. The key's SHA-256 is written as
// zeros and key hashes as 0: the readers check neither.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace vorlane::test {

void AppendLe(std::string& out, uint64_t value, int bytes = 4);
void PutLe32(std::string& out, size_t offset, uint32_t value);
uint32_t ZlibCrc32(std::string_view bytes);

// The pickle of a head with '\n'-ended lines; from version 3 with bit 31 extra flags 6
// and an original response time. Times in µs since 1601.
std::string ChromiumResponseInfo(
    std::string_view head = "HTTP/1.1 200 OK\nContent-Type: text/html\n", uint32_t version = 3,
    uint32_t flags = 0x80040000, int64_t responseTime = 13416000001000000);

struct ChromiumSimpleItem {
  std::string Key, Stream0, Stream1;
  bool KeySha256 = true;
  std::optional<uint32_t> Stream0Crc, Stream0Size;  // damage
  uint32_t Version = 5;
};

struct ChromiumRange {
  uint64_t Offset;
  std::string Data;
  std::optional<uint32_t> Crc = {};  // default: the data's CRC-32
};

class ChromiumSimpleWriter {
 public:
  static std::string EntryFile(const ChromiumSimpleItem& item);
  static std::string SparseFile(std::string_view key, const std::vector<ChromiumRange>& ranges,
                                uint32_t version = 9);
  static std::string FakeIndex(uint32_t version);
  // Records of (hash, size, hints); last used 13116000000000000, reason 2.
  static std::string RealIndex(uint32_t version,
                               const std::vector<std::tuple<uint64_t, uint64_t, uint8_t>>& records);
};

}  // namespace vorlane::test
