#include "support/ChromiumSimpleWriter.h"

#include <zlib.h>

namespace vorlane::test {

void AppendLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

void PutLe32(std::string& out, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[offset + i] = static_cast<char>(value >> (8 * i));
}

uint32_t ZlibCrc32(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

namespace {

std::string Sized(const std::string& payload) {
  std::string out;
  AppendLe(out, payload.size());
  return out + payload;
}

std::string Header(std::string_view key, uint32_t version) {
  std::string out;
  AppendLe(out, 0xfcfb6d1ba7725c30, 8);
  AppendLe(out, version);
  AppendLe(out, key.size());
  AppendLe(out, 0, 8);  // key hash, padding
  return out + std::string(key);
}

void AppendEof(std::string& out, uint32_t flags, uint32_t crc, uint64_t streamSize) {
  AppendLe(out, 0xf4fa6f45970d41d8, 8);
  AppendLe(out, flags);
  AppendLe(out, crc);
  AppendLe(out, streamSize, 8);
}

}  // namespace

std::string ChromiumResponseInfo(std::string_view head, uint32_t version, uint32_t flags,
                                 int64_t responseTime) {
  std::string payload;
  AppendLe(payload, flags | version);
  const bool extra = version >= 3 && (flags & 0x80000000u) != 0;
  if (extra) AppendLe(payload, 6);
  AppendLe(payload, 13416000000000000, 8);
  AppendLe(payload, static_cast<uint64_t>(responseTime), 8);
  if (extra) AppendLe(payload, static_cast<uint64_t>(responseTime), 8);  // the original one
  std::string raw(head);
  for (char& c : raw) c = c == '\n' ? '\0' : c;
  for (const std::string& text : {raw + '\0', std::string("127.0.0.1")}) {
    payload += Sized(text);
    payload.resize((payload.size() + 3) / 4 * 4, '\0');
  }
  AppendLe(payload, 8780);
  return Sized(payload);
}

std::string ChromiumSimpleWriter::EntryFile(const ChromiumSimpleItem& item) {
  std::string out = Header(item.Key, item.Version) + item.Stream1;
  AppendEof(out, 1, ZlibCrc32(item.Stream1), 0);
  out += item.Stream0 + std::string(item.KeySha256 ? 32 : 0, '\0');
  AppendEof(out, item.KeySha256 ? 3 : 1, item.Stream0Crc.value_or(ZlibCrc32(item.Stream0)),
            item.Stream0Size.value_or(static_cast<uint32_t>(item.Stream0.size())));
  return out;
}

std::string ChromiumSimpleWriter::SparseFile(std::string_view key,
                                             const std::vector<ChromiumRange>& ranges,
                                             uint32_t version) {
  std::string out = Header(key, version);
  for (const ChromiumRange& range : ranges) {
    AppendLe(out, 0xeb97bf016553676b, 8);
    AppendLe(out, range.Offset, 8);
    AppendLe(out, range.Data.size(), 8);
    AppendLe(out, range.Crc.value_or(ZlibCrc32(range.Data)), 8);
    out += range.Data;
  }
  return out;
}

std::string ChromiumSimpleWriter::FakeIndex(uint32_t version) {
  return Header("", version).substr(0, 12) + std::string(12, '\0');
}

std::string ChromiumSimpleWriter::RealIndex(
    uint32_t version, const std::vector<std::tuple<uint64_t, uint64_t, uint8_t>>& records) {
  std::string payload;
  AppendLe(payload, 0x656e74657220796f, 8);
  AppendLe(payload, version);
  AppendLe(payload, records.size(), 8);
  AppendLe(payload, 12032, 8);  // cache size
  if (version >= 7) AppendLe(payload, 2);
  for (const auto& [hash, size, hints] : records) {
    AppendLe(payload, hash, 8);
    AppendLe(payload, 13116000000000000, 8);
    AppendLe(payload, version >= 8 ? (size / 256) << 8 | hints : size, 8);
  }
  AppendLe(payload, 13416000000000000, 8);
  std::string out;
  AppendLe(out, payload.size());
  AppendLe(out, ZlibCrc32(payload));
  return out + payload;
}

}  // namespace vorlane::test
