#include "sources/chromium/ChromiumSimple.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "base/ByteReader.h"
#include "sources/chromium/ChromiumSimpleSparse.h"

namespace ChromiumSimple {

namespace {

constexpr size_t kHashDigits = 16;

// The header and the EOF record hold 20 bytes of fields and 4 of padding.
// magic, version, key length, key hash
static_assert(FileHeaderSize == PaddedRecordSize(8 + 3 * 4));
// magic, flags, CRC-32, stream size
static_assert(EofSize == PaddedRecordSize(8 + 3 * 4));
// magic, body offset, length, CRC-32
static_assert(SparseRangeHeaderSize == PaddedRecordSize(3 * 8 + 4));
static_assert(KeySha256Size == 256 / 8);
constexpr std::string_view kDoomedPrefix = "todelete_";

std::optional<uint32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  return std::nullopt;
}

uint32_t Crc32(std::span<const std::byte> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most a uInt at a time; stream 0 is capped far below that.
  crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
  return static_cast<uint32_t>(crc);
}

}  // namespace

std::optional<FileHeader> ParseFileHeader(std::span<const std::byte> bytes) {
  // A record cut short in its padding is no record: the key would start past the end.
  if (bytes.size() < FileHeaderSize) return std::nullopt;
  Bytes::ByteCursor cursor{Bytes::ByteReader(bytes)};
  const uint64_t magic = cursor.LE64();
  FileHeader header;
  header.Version = cursor.LE32();
  header.KeyLength = cursor.LE32();
  header.KeyHash = cursor.LE32();
  if (!cursor.Ok() || magic != InitialMagic) return std::nullopt;
  return header;
}

std::optional<Eof> ParseEof(std::span<const std::byte> bytes) {
  if (bytes.size() < EofSize) return std::nullopt;
  Bytes::ByteCursor cursor{Bytes::ByteReader(bytes)};
  const uint64_t magic = cursor.LE64();
  Eof eof;
  eof.Flags = cursor.LE32();
  eof.Crc32 = cursor.LE32();
  eof.StreamSize = cursor.LE32();
  if (!cursor.Ok() || magic != FinalMagic) return std::nullopt;
  return eof;
}

std::optional<EntryFile> ReadEntryFile(std::string_view fileName, uint64_t fileSize,
                                       const Bytes::RangeFetch& fetch) {
  if (fileSize < FileHeaderSize + 2 * EofSize) return std::nullopt;
  const size_t headSize = static_cast<size_t>(std::min<uint64_t>(fileSize, HeadReadSize));
  auto head = Bytes::Fetch(fetch, 0, headSize);
  if (!head) return std::nullopt;
  const auto header = ParseFileHeader(*head);
  if (!header || header->Version != EntryVersion || header->KeyLength > MaxKeyLength) {
    return std::nullopt;
  }
  // Everything but the two streams and the key hash: both fit or the file is damaged.
  const uint64_t keyEnd = FileHeaderSize + uint64_t{header->KeyLength};
  if (keyEnd > fileSize - 2 * EofSize) return std::nullopt;

  EntryFile entry;
  if (keyEnd > head->size()) {
    head = Bytes::Fetch(fetch, FileHeaderSize, header->KeyLength);
    if (!head) return std::nullopt;
    entry.Key.assign(reinterpret_cast<const char*>(head->data()), head->size());
  } else {
    entry.Key.assign(reinterpret_cast<const char*>(head->data()) + FileHeaderSize,
                     header->KeyLength);
  }

  const uint64_t tailStart =
      std::max(keyEnd, fileSize - std::min<uint64_t>(fileSize, TailReadSize));
  // A small file came whole with the head (and nothing was fetched since, which would
  // have reused the fetch's buffer): its tail is not read again.
  const bool wholeInHead = headSize == fileSize;
  const auto tail = wholeInHead
                        ? std::optional(head->subspan(static_cast<size_t>(tailStart)))
                        : Bytes::Fetch(fetch, tailStart, static_cast<size_t>(fileSize - tailStart));
  if (!tail) return std::nullopt;
  const auto eof0 = ParseEof(tail->last(EofSize));
  if (!eof0 || eof0->StreamSize > MaxStream0Length) return std::nullopt;
  const uint64_t sha = (eof0->Flags & EofHasKeySha256) != 0 ? KeySha256Size : 0;
  const uint64_t fixed = keyEnd + 2 * EofSize + sha;
  if (fixed > fileSize || eof0->StreamSize > fileSize - fixed) return std::nullopt;
  const uint64_t stream0Start = fileSize - EofSize - sha - eof0->StreamSize;
  const uint64_t eof1Start = stream0Start - EofSize;

  std::optional<Eof> eof1;
  if (eof1Start >= tailStart) {
    const Bytes::ByteReader reader(*tail);
    eof1 = ParseEof(*reader.Sub(eof1Start - tailStart, EofSize));
    const auto stream0 = reader.Sub(stream0Start - tailStart, eof0->StreamSize);
    entry.Stream0.assign(stream0->begin(), stream0->end());
  } else {
    const auto more = Bytes::Fetch(fetch, eof1Start, EofSize + size_t{eof0->StreamSize});
    if (!more) return std::nullopt;
    eof1 = ParseEof(more->first(EofSize));
    entry.Stream0.assign(more->begin() + EofSize, more->end());
  }
  if (!eof1) return std::nullopt;
  if ((eof0->Flags & EofHasCrc32) != 0) {
    if (Crc32(entry.Stream0) != eof0->Crc32) return std::nullopt;
    entry.Stream0CrcChecked = true;
  }
  entry.Stream1.File = std::string(fileName);
  entry.Stream1.FileOffset = keyEnd;
  entry.Stream1.Length = eof1Start - keyEnd;
  if ((eof1->Flags & EofHasCrc32) != 0) entry.Stream1.Crc32 = eof1->Crc32;
  return entry;
}

std::optional<EntryFileName> ParseEntryFileName(std::string_view name) {
  if (name.starts_with(kDoomedPrefix)) return EntryFileName{0, FileRole::Doomed};
  if (name.size() != kHashDigits + 2 || name[kHashDigits] != '_') return std::nullopt;
  EntryFileName parsed;
  for (size_t i = 0; i < kHashDigits; ++i) {
    const auto digit = HexDigit(name[i]);
    if (!digit) return std::nullopt;
    parsed.Hash = (parsed.Hash << 4) | *digit;
  }
  switch (name.back()) {
    case '0':
      parsed.Role = FileRole::Streams01;
      break;
    case '1':
      parsed.Role = FileRole::Stream2;
      break;
    case 's':
      parsed.Role = FileRole::Sparse;
      break;
    default:
      return std::nullopt;
  }
  return parsed;
}

std::string EntryFileNameFor(uint64_t hash, FileRole role) {
  char text[kHashDigits + 1];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  const char* suffix = role == FileRole::Stream2 ? "_1" : role == FileRole::Sparse ? "_s" : "_0";
  return std::string(text) + suffix;
}

}  // namespace ChromiumSimple
