#include "support/ChromiumPickleWriter.h"

#include <zlib.h>

namespace vorlane::test {

void AppendLe32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(value >> shift);
}

void AppendLe64(std::string& out, uint64_t value) {
  AppendLe32(out, static_cast<uint32_t>(value));
  AppendLe32(out, static_cast<uint32_t>(value >> 32));
}

void PutLe32(std::string& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[offset + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

uint32_t ZlibCrc32(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

namespace {

void AppendString(std::string& out, std::string_view text) {
  AppendLe32(out, static_cast<uint32_t>(text.size()));
  out += text;
  while (out.size() % 4 != 0) out += '\0';
}

}  // namespace

std::string ChromiumResponseInfo(const ChromiumResponse& response) {
  const uint32_t flags = response.Flags | response.Version;
  std::string payload;
  AppendLe32(payload, flags);
  const bool extra = response.Version >= 3 && (flags & 0x80000000u) != 0;
  if (extra) AppendLe32(payload, response.ExtraFlags);
  AppendLe64(payload, static_cast<uint64_t>(response.RequestTime));
  AppendLe64(payload, static_cast<uint64_t>(response.ResponseTime));
  if (extra && (response.ExtraFlags & 4) != 0) {
    AppendLe64(payload, static_cast<uint64_t>(response.ResponseTime));
  }
  std::string raw = response.Head;
  for (char& c : raw) c = c == '\n' ? '\0' : c;
  AppendString(payload, raw + '\0');
  AppendString(payload, "127.0.0.1");
  AppendLe32(payload, 8780);
  std::string pickle;
  AppendLe32(pickle, static_cast<uint32_t>(payload.size()));
  return pickle + payload;
}

}  // namespace vorlane::test
