#include "sources/MozillaMetadata.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "sources/ContentKinds.h"
#include "sources/MozillaMap.h"

namespace MozillaV1 {

namespace {

constexpr size_t kTimeWord = 4;
constexpr size_t kDataSizeWord = 6;
constexpr size_t kKeySizeWord = 7;
constexpr size_t kMetaSizeWord = 8;

std::string_view AsText(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

void TakeHeaderLine(std::string_view line, CMozillaCache::CMozillaCacheElement& entry) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = TrimBlanks(line.substr(0, colon));
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  if (EqualsIgnoringCase(name, "Content-Type")) {
    entry.MimeType = Platform::CacheBytesToUtf8(value);
    std::string lower(value);
    for (char& c : lower) c = AsciiLower(c);
    entry.Kind = Classify(lower);
  } else if (EqualsIgnoringCase(name, "Server")) {
    entry.Server = Platform::CacheBytesToUtf8(value);
  } else if (EqualsIgnoringCase(name, "Accept-Ranges")) {
    entry.AcceptRanges = Platform::CacheBytesToUtf8(value);
  } else if (EqualsIgnoringCase(name, "ETag")) {
    entry.ETag = Platform::CacheBytesToUtf8(value);
  }
}

}  // namespace

uint64_t MetadataExtent(std::span<const std::byte> block) {
  if (block.size() < EntryHeaderSize) return 0;
  return EntryHeaderSize + uint64_t{ReadBigEndian32(block, 4 * kKeySizeWord)} +
         ReadBigEndian32(block, 4 * kMetaSizeWord);
}

bool ParseMetadata(std::span<const std::byte> block, CMozillaCache::CMozillaCacheElement& entry) {
  if (block.size() < EntryHeaderSize) return false;
  for (size_t i = 0; i < entry.EntryHeader.size(); ++i) {
    entry.EntryHeader[i] = ReadBigEndian32(block, 4 * i);
  }
  size_t limit = block.size();
  const uint64_t extent = MetadataExtent(block);
  if (entry.EntryHeader[kKeySizeWord] > 0 && extent <= limit) limit = static_cast<size_t>(extent);
  const std::string_view text = AsText(block.first(limit));

  entry.KeyLeadByte = limit > EntryHeaderSize ? static_cast<uint8_t>(text[EntryHeaderSize]) : 0;
  size_t keyEnd = text.find('\0', EntryHeaderSize);
  if (keyEnd == std::string_view::npos) keyEnd = limit;
  const std::string_view key = text.substr(EntryHeaderSize, keyEnd - EntryHeaderSize);
  if (key.starts_with("HTTP:")) entry.SourceUrl = Platform::CacheBytesToUtf8(key.substr(5));

  // Every string that starts like a status line is a stored response head; a later one
  // overrides an earlier one. Two NULs in a row end the list.
  for (size_t pos = keyEnd + 1; pos < limit;) {
    size_t end = text.find('\0', pos);
    if (end == std::string_view::npos) end = limit;
    if (end == pos) break;
    if (text.substr(pos, 5) == "HTTP/") ParseResponseHead(block.subspan(pos, end - pos), entry);
    pos = end + 1;
  }

  entry.Time = entry.EntryHeader[kTimeWord];
  const uint32_t size = entry.EntryHeader[kDataSizeWord];
  entry.Size = size <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
                   ? static_cast<int32_t>(size)
                   : 0;
  return true;
}

void ParseResponseHead(std::span<const std::byte> head,
                       CMozillaCache::CMozillaCacheElement& entry) {
  std::string_view text = AsText(head);
  text = text.substr(0, text.find('\0'));
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) break;  // a line cut short is not taken
    TakeHeaderLine(text.substr(start, end - start), entry);
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    start = end + (crlf ? 2 : 1);
  }
}

}  // namespace MozillaV1
