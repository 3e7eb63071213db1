#pragma once

// The Firefox "cache2" format (Firefox 32 on): one file per entry in entries/, holding
// the data, then the metadata, then the metadata's offset as a big-endian word in the
// last four bytes. Metadata: a 4-byte hash, a 2-byte hash per 256 KiB chunk of data,
// a header of big-endian words, the key and its NUL, then NUL-terminated name/value
// pairs. Pure functions over bytes: no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sources/mozilla/CMozillaCacheElement.h"

namespace MozillaCache2 {

inline constexpr uint64_t ChunkSize = 256 * 1024;
inline constexpr size_t TrailerSize = 4;
inline constexpr size_t MetadataHashSize = 4;
inline constexpr size_t ChunkHashSize = 2;
// Version 1 has no flags word; every later version has the version-3 layout.
inline constexpr size_t HeaderSizeV1 = 7 * 4;
inline constexpr size_t HeaderSize = 8 * 4;
// Later versions are read with the version-3 layout; the key's NUL at the place the
// header gives still has to be found. A larger word is not a version at all.
inline constexpr uint32_t MaxVersion = 255;
// Keys and elements stay far below this; it caps what a damaged file can make us read.
inline constexpr uint64_t MaxMetadataBytes = uint64_t{1} << 20;
// The element that tells where alternative data (e.g. compiled script) begin.
inline constexpr std::string_view AltDataElement = "alt-data";
inline constexpr std::string_view ResponseHeadElement = "response-head";

struct EntryMetadata {
  uint32_t Version = 0;
  uint32_t FetchCount = 0;
  uint32_t LastFetched = 0;
  uint32_t LastModified = 0;
  uint32_t Frecency = 0;
  uint32_t ExpirationTime = 0;
  uint32_t Flags = 0;  // 0 in version 1
  // Views into the bytes given to ParseMetadata.
  std::string_view Key;
  std::vector<std::pair<std::string_view, std::string_view>> Elements;
  // Where the complete pairs end, counted from the start of the metadata. Firefox 153
  // writes a 4-byte word after them that the metadata hash does not cover.
  size_t ElementsEnd = 0;

  // The value of the first element of that name; nullopt when there is none.
  std::optional<std::string_view> Element(std::string_view name) const;
};

struct KeyParts {
  std::string Url;
  std::string OriginAttributes;  // the 'O' tag without its '^' (e.g. partitionKey=...)
  bool Anonymous = false;        // 'a'
  bool Private = false;          // 'p'
};

// Bytes of the hashes that open the metadata of an entry with this much data.
uint64_t HashBytes(uint64_t dataLength);

// The metadata offset (= the data length) from a file's last four bytes; nullopt when
// it cannot be right: the hashes alone would then run into the trailer.
std::optional<uint32_t> ParseMetadataOffset(std::span<const std::byte> lastFour, uint64_t fileSize);

// Most bytes a sound entry's metadata (between the data and the trailer) can take.
uint64_t MaxMetadataLength(uint64_t dataLength);

// Parses the metadata: the bytes between the data and the trailer. nullopt when the
// block is too short, the version is not one, or the key's NUL is not where the key
// size says. Elements are the complete name/value pairs; a damaged tail is dropped.
std::optional<EntryMetadata> ParseMetadata(std::span<const std::byte> metadata,
                                           uint64_t dataLength);

// Splits a key into its tags and URL: every tag is a letter with an optional value
// ended by a comma (a comma inside a value is doubled); the URL follows the ':' that
// comes where the next tag would. nullopt when there is no URL.
std::optional<KeyParts> ParseKey(std::string_view key);

// The offset where alternative data begin, from an "alt-data" value ("1;<offset>,<type>");
// nullopt for any other shape or version.
std::optional<uint64_t> ParseAltDataOffset(std::string_view value);

// Fills an entry from its metadata: SourceUrl and Partition from the key, the fields
// of the response head, Time (last modified, else last fetched) and Size (the data
// length, or the alternative-data offset when that is smaller). False when the entry
// is not worth listing: no URL, or no primary data.
bool FillEntry(const EntryMetadata& metadata, uint64_t dataLength, CMozillaCacheElement& entry);

// The whole entry file in memory: offset, metadata and FillEntry in one go.
bool ParseEntryFile(std::span<const std::byte> file, CMozillaCacheElement& entry);

}  // namespace MozillaCache2
