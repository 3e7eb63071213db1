#include "sources/mozilla/MozillaMetadata.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "base/ByteReader.h"
#include "base/ResponseHead.h"
#include "platform/Text.h"
#include "sources/ContentKinds.h"
#include "sources/ResponseFields.h"

namespace MozillaV1 {

namespace {

constexpr size_t kTimeWord = 4;
constexpr size_t kDataSizeWord = 6;
constexpr size_t kKeySizeWord = 7;
constexpr size_t kMetaSizeWord = 8;

static_assert(EntryHeaderSize == 9 * 4);
static_assert(4 * kMetaSizeWord + 4 <= EntryHeaderSize);

}  // namespace

uint64_t MetadataExtent(std::span<const std::byte> block) {
  const Bytes::ByteReader reader(block);
  const auto keySize = reader.BE32(4 * kKeySizeWord);
  const auto metaSize = reader.BE32(4 * kMetaSizeWord);
  if (block.size() < EntryHeaderSize || !keySize || !metaSize) return 0;
  return EntryHeaderSize + uint64_t{*keySize} + *metaSize;
}

bool ParseMetadata(std::span<const std::byte> block, CMozillaCacheElement& entry) {
  Bytes::ByteCursor words{Bytes::ByteReader(block)};
  for (uint32_t& word : entry.EntryHeader) word = words.BE32();
  if (!words.Ok()) return false;
  size_t limit = block.size();
  const uint64_t extent = MetadataExtent(block);
  if (entry.EntryHeader[kKeySizeWord] > 0 && extent <= limit) limit = static_cast<size_t>(extent);
  const std::string_view text = Bytes::ByteReader(block.first(limit)).AllText();

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
  entry.Size = entry.EntryHeader[kDataSizeWord];
  return true;
}

void ParseResponseHead(std::span<const std::byte> head, CMozillaCacheElement& entry) {
  const ResponseHead parsed =
      ResponseHead::Parse(Bytes::ByteReader(head).AllText(), ResponseHead::LineEnds::CrLf);
  // A later header of a name overrides an earlier one, as the browser reads them.
  TakeResponseHead(parsed, entry, HeaderChoice::Last);
  const auto take = [&](std::string_view name, std::string& field) {
    const auto value = parsed.Last(name);
    if (value && value->size() <= MaxKeptHeaderValue) field = Platform::CacheBytesToUtf8(*value);
  };
  take("Server", entry.Server);
  take("Accept-Ranges", entry.AcceptRanges);
  take("ETag", entry.ETag);
}

}  // namespace MozillaV1
