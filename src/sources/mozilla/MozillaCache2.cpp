#include "sources/mozilla/MozillaCache2.h"

#include <algorithm>
#include <limits>

#include "base/ByteReader.h"
#include "platform/Text.h"
#include "sources/mozilla/MozillaMetadata.h"

namespace MozillaCache2 {

namespace {

constexpr size_t kKeySizeWord = 6;
constexpr size_t kFlagsWord = 7;

// The header words: version, fetch count, last fetched, last modified, frecency,
// expiration time, key size, then (not in version 1) flags.
static_assert(HeaderSizeV1 == (kKeySizeWord + 1) * 4);
static_assert(HeaderSize == (kFlagsWord + 1) * 4);
// The metadata offset at the end of the file; the hash of the metadata and one 16-bit
// hash per chunk of data before them.
static_assert(TrailerSize == sizeof(uint32_t));
static_assert(MetadataHashSize == sizeof(uint32_t) && ChunkHashSize == sizeof(uint16_t));

std::span<const std::byte> AsBytes(std::string_view text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

// Reads a tag's value up to its closing comma, turning ",," into ','. False when the
// key ends before the comma.
bool ReadTagValue(std::string_view key, size_t& pos, std::string& value) {
  while (pos < key.size()) {
    const char c = key[pos++];
    if (c != ',') {
      value += c;
      continue;
    }
    if (pos < key.size() && key[pos] == ',') {
      value += ',';
      ++pos;
      continue;
    }
    return true;
  }
  return false;
}

}  // namespace

std::optional<std::string_view> EntryMetadata::Element(std::string_view name) const {
  for (const auto& [elementName, value] : Elements) {
    if (elementName == name) return value;
  }
  return std::nullopt;
}

uint64_t HashBytes(uint64_t dataLength) {
  return MetadataHashSize + ChunkHashSize * ((dataLength + ChunkSize - 1) / ChunkSize);
}

std::optional<uint32_t> ParseMetadataOffset(std::span<const std::byte> lastFour,
                                            uint64_t fileSize) {
  if (lastFour.size() != TrailerSize || fileSize < TrailerSize) return std::nullopt;
  const uint32_t offset = Bytes::ByteReader(lastFour).BE32(0).value_or(0);
  const uint64_t end = fileSize - TrailerSize;
  if (offset > end || HashBytes(offset) > end - offset) return std::nullopt;
  return offset;
}

uint64_t MaxMetadataLength(uint64_t dataLength) {
  return HashBytes(dataLength) + HeaderSize + MaxMetadataBytes;
}

std::optional<EntryMetadata> ParseMetadata(std::span<const std::byte> metadata,
                                           uint64_t dataLength) {
  const uint64_t hashes = HashBytes(dataLength);
  if (hashes > metadata.size() || HeaderSizeV1 > metadata.size() - hashes) return std::nullopt;
  const auto header = static_cast<size_t>(hashes);
  const Bytes::ByteReader reader(metadata);
  const auto word = [&](size_t index) { return reader.BE32(header + 4 * index).value_or(0); };
  EntryMetadata parsed;
  parsed.Version = word(0);
  if (parsed.Version == 0 || parsed.Version > MaxVersion) return std::nullopt;
  const size_t headerSize = parsed.Version == 1 ? HeaderSizeV1 : HeaderSize;
  if (headerSize > metadata.size() - header) return std::nullopt;
  parsed.FetchCount = word(1);
  parsed.LastFetched = word(2);
  parsed.LastModified = word(3);
  parsed.Frecency = word(4);
  parsed.ExpirationTime = word(5);
  parsed.Flags = parsed.Version == 1 ? 0 : word(kFlagsWord);

  const uint32_t keySize = word(kKeySizeWord);
  const size_t keyOffset = header + headerSize;
  const size_t room = metadata.size() - keyOffset;
  // The key must be followed by its NUL, and hold none of its own.
  if (keySize >= room) return std::nullopt;
  const std::string_view text = reader.AllText();
  if (text[keyOffset + keySize] != '\0') return std::nullopt;
  parsed.Key = text.substr(keyOffset, keySize);
  if (parsed.Key.find('\0') != std::string_view::npos) return std::nullopt;

  // Name/value pairs up to the end; each string is at least its NUL, so the walk ends.
  size_t pos = keyOffset + keySize + 1;
  while (pos < text.size()) {
    const size_t nameEnd = text.find('\0', pos);
    if (nameEnd == std::string_view::npos || nameEnd == pos) break;
    const size_t valueEnd = text.find('\0', nameEnd + 1);
    if (valueEnd == std::string_view::npos) break;
    parsed.Elements.emplace_back(text.substr(pos, nameEnd - pos),
                                 text.substr(nameEnd + 1, valueEnd - nameEnd - 1));
    pos = valueEnd + 1;
  }
  parsed.ElementsEnd = std::min(pos, text.size());
  return parsed;
}

std::optional<KeyParts> ParseKey(std::string_view key) {
  KeyParts parts;
  size_t pos = 0;
  while (pos < key.size()) {
    const char tag = key[pos++];
    if (tag == ':') {
      parts.Url = std::string(key.substr(pos));
      if (parts.Url.empty()) return std::nullopt;
      return parts;
    }
    std::string value;
    if (!ReadTagValue(key, pos, value)) return std::nullopt;
    switch (tag) {
      case 'O':
        if (!value.empty() && value.front() == '^') value.erase(0, 1);
        parts.OriginAttributes = std::move(value);
        break;
      case 'a':
        parts.Anonymous = true;
        break;
      case 'p':
        parts.Private = true;
        break;
      default:
        break;  // ids, browser flags and tags of later versions say nothing we list
    }
  }
  return std::nullopt;
}

std::optional<uint64_t> ParseAltDataOffset(std::string_view value) {
  if (!value.starts_with("1;")) return std::nullopt;
  value.remove_prefix(2);
  uint64_t offset = 0;
  size_t digits = 0;
  for (; digits < value.size() && value[digits] >= '0' && value[digits] <= '9'; ++digits) {
    const auto digit = static_cast<uint64_t>(value[digits] - '0');
    if (offset > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
    offset = offset * 10 + digit;
  }
  if (digits == 0 || digits >= value.size() || value[digits] != ',') return std::nullopt;
  return offset;
}

bool FillEntry(const EntryMetadata& metadata, uint64_t dataLength, CMozillaCacheElement& entry) {
  const std::optional<KeyParts> key = ParseKey(metadata.Key);
  if (!key) return false;
  uint64_t size = dataLength;
  if (const auto alt = metadata.Element(AltDataElement)) {
    // Compiled script and the like follow the primary data; only those are the body.
    if (const auto offset = ParseAltDataOffset(*alt); offset && *offset < size) size = *offset;
  }
  if (size == 0) return false;
  entry.SourceUrl = Platform::CacheBytesToUtf8(key->Url);
  entry.Partition = Platform::CacheBytesToUtf8(key->OriginAttributes);
  entry.KeyLeadByte = static_cast<uint8_t>(metadata.Key.front());
  if (const auto head = metadata.Element(ResponseHeadElement)) {
    MozillaV1::ParseResponseHead(AsBytes(*head), entry);
  }
  entry.Size = size;
  entry.Time = metadata.LastModified != 0 ? metadata.LastModified : metadata.LastFetched;
  return true;
}

bool ParseEntryFile(std::span<const std::byte> file, CMozillaCacheElement& entry) {
  if (file.size() < TrailerSize) return false;
  const auto offset = ParseMetadataOffset(file.last(TrailerSize), file.size());
  if (!offset) return false;
  const size_t length = file.size() - TrailerSize - *offset;
  if (length > MaxMetadataLength(*offset)) return false;
  const auto metadata = ParseMetadata(file.subspan(*offset, length), *offset);
  return metadata && FillEntry(*metadata, *offset, entry);
}

}  // namespace MozillaCache2
