#pragma once

// Entry files of Chromium's "simple" disk cache backend (Linux, macOS, Android and
// ChromeOS by default): `<16 hex>_0` holds streams 0 and 1,
//   header (24) | key | stream 1 | EOF 1 (24) | stream 0 | [SHA-256 of the key] | EOF 0 (24)
// `<16 hex>_1` stream 2 and `<16 hex>_s` the ranges of a sparse body
// (ChromiumSimpleSparse.h). Every integer is little-endian. Pure over a RangeFetch.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/RangeFetch.h"
#include "sources/chromium/ChromiumBodyPiece.h"

namespace ChromiumSimple {

// Chromium writes its records as C structs, whose size is rounded up to the alignment of
// their 64-bit magic: what follows a record starts after that padding.
inline constexpr size_t PaddedRecordSize(size_t fieldBytes) {
  return (fieldBytes + alignof(uint64_t) - 1) / alignof(uint64_t) * alignof(uint64_t);
}

inline constexpr uint64_t InitialMagic = 0xfcfb6d1ba7725c30;
inline constexpr uint64_t FinalMagic = 0xf4fa6f45970d41d8;
inline constexpr size_t FileHeaderSize = 24;
inline constexpr size_t EofSize = 24;
inline constexpr size_t KeySha256Size = 32;
inline constexpr uint32_t EntryVersion = 5;
inline constexpr uint32_t EofHasCrc32 = 1;
inline constexpr uint32_t EofHasKeySha256 = 2;
// URLs stop at 2 MiB in Chromium; keys this long only come from damage.
inline constexpr uint32_t MaxKeyLength = 1u << 20;
// Stream 0 is a response head, a few KiB; it is copied whole, so it is capped.
inline constexpr uint32_t MaxStream0Length = 1u << 20;
// First reads at either end of the file; a key or stream 0 longer than these costs a
// second read.
inline constexpr size_t HeadReadSize = 4096;
inline constexpr size_t TailReadSize = 16384;

struct FileHeader {
  uint32_t Version = 0;
  uint32_t KeyLength = 0;
  uint32_t KeyHash = 0;  // SuperFastHash of the key; not checked
};

struct Eof {
  uint32_t Flags = 0;
  uint32_t Crc32 = 0;
  uint32_t StreamSize = 0;  // meaningful in stream 0's record only
};

struct EntryFile {
  std::string Key;
  // Stream 0, the response info (ChromiumResponseInfo.h); its CRC was right when the
  // EOF record carried one.
  std::vector<std::byte> Stream0;
  bool Stream0CrcChecked = false;
  // Stream 1, the body as received; Crc32 set when EOF 1 carries one. An empty stream
  // 1 has Length 0 (a bodyless answer, or a sparse body kept in the `_s` file).
  Chromium::BodyPiece Stream1;
};

// 24 bytes at the start of `_0`, `_1` and `_s` (20 of fields, 4 of padding): nullopt for
// fewer bytes or a wrong magic.
std::optional<FileHeader> ParseFileHeader(std::span<const std::byte> bytes);
// 24 bytes of an EOF record (20 of fields, 4 of padding): nullopt for fewer bytes or a
// wrong magic.
std::optional<Eof> ParseEof(std::span<const std::byte> bytes);

// Reads a `_0` file of `fileSize` bytes, named `fileName` (for Stream1.File): normally
// one read at the head (header and key) and one at the tail (EOF 0, stream 0, EOF 1),
// a further one each only for a key or stream 0 longer than the first reads hold.
// nullopt for a wrong magic or version, a key or stream 0 beyond its cap, sizes that do
// not fit the file, a wrong stream-0 CRC, or a failed fetch.
std::optional<EntryFile> ReadEntryFile(std::string_view fileName, uint64_t fileSize,
                                       const Bytes::RangeFetch& fetch);

enum class FileRole {
  Streams01,  // `<hash>_0`
  Stream2,    // `<hash>_1`
  Sparse,     // `<hash>_s`
  Doomed,     // `todelete_...`: an entry removed while open; never read
};

struct EntryFileName {
  uint64_t Hash = 0;  // the first 8 bytes of SHA-1(key), read little-endian
  FileRole Role = FileRole::Streams01;
};

// Sorts the names in a cache folder: nullopt for everything else (`index`,
// `index-dir`, stray files). Hex digits of either case are taken, as Chromium does.
std::optional<EntryFileName> ParseEntryFileName(std::string_view name);
// "%016llx" and the suffix of a role other than Doomed.
std::string EntryFileNameFor(uint64_t hash, FileRole role);

}  // namespace ChromiumSimple
