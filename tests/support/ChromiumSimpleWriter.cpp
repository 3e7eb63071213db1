#include "support/ChromiumSimpleWriter.h"

#include "support/ChromiumPickleWriter.h"

namespace vorlane::test {

namespace {

constexpr uint64_t kInitialMagic = 0xfcfb6d1ba7725c30;
constexpr uint64_t kFinalMagic = 0xf4fa6f45970d41d8;

std::string Header(std::string_view key, uint32_t version) {
  std::string out;
  AppendLe64(out, kInitialMagic);
  AppendLe32(out, version);
  AppendLe32(out, static_cast<uint32_t>(key.size()));
  AppendLe32(out, 0);  // key hash
  AppendLe32(out, 0);
  return out + std::string(key);
}

void AppendEof(std::string& out, uint32_t flags, uint32_t crc, uint32_t streamSize) {
  AppendLe64(out, kFinalMagic);
  AppendLe32(out, flags);
  AppendLe32(out, crc);
  AppendLe32(out, streamSize);
  AppendLe32(out, 0);
}

}  // namespace

std::string ChromiumSimpleWriter::EntryFile(const ChromiumSimpleItem& item) {
  std::string out = Header(item.Key, item.Version) + item.Stream1;
  AppendEof(out, item.Stream1Crc ? 1 : 0, item.Stream1Crc ? ZlibCrc32(item.Stream1) : 0, 0);
  out += item.Stream0;
  if (item.KeySha256) out += std::string(32, '\0');
  AppendEof(out, 1 | (item.KeySha256 ? 2 : 0),
            item.Stream0CrcOverride.value_or(ZlibCrc32(item.Stream0)),
            item.Stream0SizeOverride.value_or(static_cast<uint32_t>(item.Stream0.size())));
  return out;
}

std::string ChromiumSimpleWriter::SparseFile(std::string_view key,
                                             const std::vector<ChromiumSparseRange>& ranges,
                                             uint32_t version) {
  std::string out = Header(key, version);
  for (const ChromiumSparseRange& range : ranges) {
    AppendLe64(out, 0xeb97bf016553676b);
    AppendLe64(out, range.Offset);
    AppendLe64(out, range.Data.size());
    AppendLe32(out, range.Crc.value_or(ZlibCrc32(range.Data)));
    AppendLe32(out, 0);
    out += range.Data;
  }
  return out;
}

std::string ChromiumSimpleWriter::FakeIndex(uint32_t version) {
  std::string out;
  AppendLe64(out, kInitialMagic);
  AppendLe32(out, version);
  return out + std::string(12, '\0');
}

std::string ChromiumSimpleWriter::RealIndex(uint32_t version,
                                            const std::vector<ChromiumIndexRecord>& records,
                                            uint32_t reason) {
  std::string payload;
  uint64_t total = 0;
  for (const auto& record : records) total += record.Size;
  AppendLe64(payload, 0x656e74657220796f);
  AppendLe32(payload, version);
  AppendLe64(payload, records.size());
  AppendLe64(payload, total);
  if (version >= 7) AppendLe32(payload, reason);
  for (const auto& record : records) {
    AppendLe64(payload, record.Hash);
    AppendLe64(payload, static_cast<uint64_t>(record.LastUsed));
    AppendLe64(payload, version >= 8 ? (record.Size / 256) << 8 | record.Hints : record.Size);
  }
  AppendLe64(payload, 13416000000000000);
  std::string out;
  AppendLe32(out, static_cast<uint32_t>(payload.size()));
  AppendLe32(out, ZlibCrc32(payload));
  return out + payload;
}

}  // namespace vorlane::test
