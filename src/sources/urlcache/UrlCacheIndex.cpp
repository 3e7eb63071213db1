#include "sources/urlcache/UrlCacheIndex.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/ByteReader.h"
#include "base/CivilTime.h"

namespace {

// Signatures are 28 bytes: the text and its NUL.
constexpr size_t SignatureSize = 28;
constexpr std::array<std::pair<std::string_view, UrlCacheFlavour>, 3> Signatures{{
    {std::string_view("Client UrlCache MMF Ver 5.2\0", SignatureSize),
     UrlCacheFlavour::InternetExplorer},
    {std::string_view("WINE URLCache Ver 0.2012001\0", SignatureSize), UrlCacheFlavour::Wine},
    {std::string_view("WINE URLCache Ver 0.2005001\0", SignatureSize), UrlCacheFlavour::Wine},
}};

// File header.
constexpr uint32_t HashTableOffsetField = 32;
constexpr uint32_t DirectoryCountField = 72;
constexpr uint32_t DirectoryTable = 76;
constexpr uint32_t DirectoryEntrySize = 12;
constexpr uint32_t DirectoryNameSize = 8;
constexpr uint32_t MaxDirectories = 32;

// Records live in 128-byte blocks from here on.
constexpr uint32_t RecordArea = 0x4000;
constexpr uint32_t BlockSize = 128;

// HASH table: signature, block count, next table, sequence number, then items.
constexpr uint32_t HashHeaderSize = 16;
constexpr uint32_t HashItemSize = 8;

// URL record (version 5.2) fields.
constexpr uint32_t UrlFixedSize = 96;
constexpr uint32_t UrlBlockCount = 4;
constexpr uint32_t UrlModifiedTime = 8;
constexpr uint32_t UrlAccessTime = 16;
constexpr uint32_t UrlExpireTime = 24;
constexpr uint32_t UrlSizeLow = 32;
constexpr uint32_t UrlSizeHigh = 36;
constexpr uint32_t UrlLocationOffset = 52;
constexpr uint32_t UrlDirectoryIndex = 56;
constexpr uint32_t UrlFileNameOffset = 60;
constexpr uint32_t UrlEntryType = 64;
constexpr uint32_t UrlDataOffset = 68;
constexpr uint32_t UrlDataSize = 72;
constexpr uint32_t UrlSyncTime = 80;

// Every field read from a URL record lies inside its fixed part, which is checked
// once; the values are read through the bounded reader all the same.
static_assert(UrlSyncTime + 4 <= UrlFixedSize);
static_assert(UrlDataSize + 4 <= UrlFixedSize && UrlEntryType + 4 <= UrlFixedSize);
static_assert(UrlDirectoryIndex + 1 <= UrlFixedSize && UrlSizeHigh + 4 <= UrlFixedSize);
static_assert(DirectoryTable + MaxDirectories * DirectoryEntrySize <= RecordArea);

bool HasBytes(std::span<const std::byte> bytes, uint64_t offset, uint64_t length) {
  return Bytes::HasRange(bytes.size(), offset, length);
}

uint32_t Read32(std::span<const std::byte> bytes, size_t offset) {
  return Bytes::ByteReader(bytes).LE32(offset).value_or(0);
}

uint64_t Read64(std::span<const std::byte> bytes, size_t offset) {
  return Bytes::ByteReader(bytes).LE64(offset).value_or(0);
}

bool HasTag(std::span<const std::byte> bytes, size_t offset, std::string_view tag) {
  return Bytes::ByteReader(bytes).Matches(offset, tag);
}

// Callers check that the range lies inside the bytes.
std::string_view Text(std::span<const std::byte> bytes, size_t offset, size_t length) {
  return Bytes::ByteReader(bytes).Text(offset, length).value_or(std::string_view());
}

// A NUL-terminated string that starts at `offset` inside `record` and ends before
// its end; null when it has no end there.
std::optional<std::string> TerminatedString(std::span<const std::byte> record, uint32_t offset) {
  if (offset >= record.size()) return std::nullopt;
  const std::string_view rest = Text(record, offset, record.size() - offset);
  const size_t end = rest.find('\0');
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(rest.substr(0, end));
}

}  // namespace

bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
  });
}

uint64_t FatDateTimeToFileTime(uint32_t fatDateTime) {
  if (fatDateTime == 0) return 0;
  const uint32_t date = fatDateTime & 0xFFFF;
  const uint32_t time = fatDateTime >> 16;
  const unsigned day = date & 31;
  const unsigned month = (date >> 5) & 15;
  const unsigned year = 1980 + (date >> 9);
  const unsigned second = (time & 31) * 2;
  const unsigned minute = (time >> 5) & 63;
  const unsigned hour = time >> 11;
  if (month < 1 || month > 12 || day < 1 || day > CivilTime::DaysInMonth(year, month) ||
      hour > 23 || minute > 59 || second > 59) {
    return 0;
  }
  constexpr int64_t SecondsFrom1601To1970 = 11644473600;
  const int64_t seconds = CivilTime::DaysFromCivil(year, month, day) * 86400 + hour * 3600 +
                          minute * 60 + second + SecondsFrom1601To1970;
  return static_cast<uint64_t>(seconds) * 10000000;
}

std::optional<UrlCacheRecord> ParseUrlRecord(std::span<const std::byte> bytes, uint32_t offset) {
  if (!HasBytes(bytes, offset, UrlFixedSize) || !HasTag(bytes, offset, "URL ")) return std::nullopt;
  const uint64_t blocks = Read32(bytes, offset + UrlBlockCount);
  if (blocks == 0) return std::nullopt;
  // Strings must end inside the record; a record cut short by the end of the file
  // still counts when its strings are all there.
  const uint64_t extent =
      std::min<uint64_t>({blocks * BlockSize, UrlCacheIndex::MaxRecordSize, bytes.size() - offset});
  const std::span<const std::byte> record = bytes.subspan(offset, static_cast<size_t>(extent));

  UrlCacheRecord out;
  out.Offset = offset;
  out.LastModifiedTime = Read64(record, UrlModifiedTime);
  out.LastAccessTime = Read64(record, UrlAccessTime);
  out.ExpireTime = FatDateTimeToFileTime(Read32(record, UrlExpireTime));
  out.Size = static_cast<uint64_t>(Read32(record, UrlSizeHigh)) << 32 | Read32(record, UrlSizeLow);
  out.DirectoryIndex = Bytes::ByteReader(record).U8(UrlDirectoryIndex).value_or(0);
  out.EntryType = Read32(record, UrlEntryType);
  out.LastSyncTime = FatDateTimeToFileTime(Read32(record, UrlSyncTime));

  std::optional<std::string> url = TerminatedString(record, Read32(record, UrlLocationOffset));
  if (!url) return std::nullopt;
  out.Url = std::move(*url);

  if (const uint32_t nameOffset = Read32(record, UrlFileNameOffset); nameOffset != 0) {
    std::optional<std::string> name = TerminatedString(record, nameOffset);
    if (!name) return std::nullopt;
    out.FileName = std::move(*name);
  }

  if (const uint32_t dataOffset = Read32(record, UrlDataOffset); dataOffset != 0) {
    const uint32_t dataSize = Read32(record, UrlDataSize);
    if (!HasBytes(record, dataOffset, dataSize)) return std::nullopt;
    const std::string_view data = Text(record, dataOffset, dataSize);
    out.HasHeaderInfo = true;
    out.HeaderInfo = std::string(data.substr(0, data.find('\0')));
  }
  return out;
}

std::optional<UrlCacheIndex> UrlCacheIndex::Parse(std::span<const std::byte> bytes) {
  if (bytes.size() > MaxFileSize || !HasBytes(bytes, 0, DirectoryTable)) return std::nullopt;
  const std::string_view signature = Text(bytes, 0, SignatureSize);
  const auto known = std::find_if(Signatures.begin(), Signatures.end(),
                                  [&](const auto& item) { return item.first == signature; });
  if (known == Signatures.end()) return std::nullopt;

  UrlCacheIndex index(bytes);
  index.Writer = known->second;
  index.FirstTable = Read32(bytes, HashTableOffsetField);

  // More than 32 directories would run into the fields after the table.
  const uint32_t count = std::min(Read32(bytes, DirectoryCountField), MaxDirectories);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t entry = DirectoryTable + i * DirectoryEntrySize;
    if (!HasBytes(bytes, entry, DirectoryEntrySize)) break;
    std::string_view name = Text(bytes, entry + 4, DirectoryNameSize);
    name = name.substr(0, name.find('\0'));
    index.DirectoryNames.emplace_back(IsPlainName(name) ? name : std::string_view());
  }
  index.Rewind();
  return index;
}

void UrlCacheIndex::Rewind() {
  VisitedTables.clear();
  SeenRecords.assign(Bytes.size() > RecordArea ? (Bytes.size() - RecordArea) / BlockSize + 1 : 0,
                     false);
  // Every item is eight bytes of the file, so a walk that looks at more has
  // gone round in circles through overlapping tables.
  ItemBudget = Bytes.size() / HashItemSize;
  if (!EnterTable(FirstTable)) Table = 0;
}

bool UrlCacheIndex::EnterTable(uint32_t offset) {
  Table = 0;
  if (offset < RecordArea || offset % BlockSize != 0) return false;
  if (!HasBytes(Bytes, offset, HashHeaderSize) || !HasTag(Bytes, offset, "HASH")) return false;
  if (std::find(VisitedTables.begin(), VisitedTables.end(), offset) != VisitedTables.end()) {
    return false;
  }
  VisitedTables.push_back(offset);
  const uint64_t declared = static_cast<uint64_t>(Read32(Bytes, offset + 4)) * BlockSize;
  const uint64_t available = Bytes.size() - offset;
  const uint64_t length = std::min(declared, available);
  Table = offset;
  ItemCount =
      length > HashHeaderSize ? static_cast<uint32_t>((length - HashHeaderSize) / HashItemSize) : 0;
  ItemIndex = 0;
  return true;
}

std::optional<UrlCacheRecord> UrlCacheIndex::NextRecord() {
  while (Table != 0) {
    if (ItemIndex >= ItemCount) {
      if (!EnterTable(Read32(Bytes, Table + 8))) Table = 0;
      continue;
    }
    if (ItemBudget == 0) {
      Table = 0;
      break;
    }
    --ItemBudget;
    const size_t item = Table + HashHeaderSize + size_t{ItemIndex} * HashItemSize;
    ++ItemIndex;
    const uint32_t key = Read32(Bytes, item);
    const uint32_t offset = Read32(Bytes, item + 4);
    // The low bit of the key marks free, deleted and redirect items, and the
    // fillers 0x0BADF00D and 0xDEADBEEF.
    if (key & 1) continue;
    if (offset < RecordArea || offset % BlockSize != 0 || offset >= Bytes.size()) continue;
    const size_t block = (offset - RecordArea) / BlockSize;
    if (SeenRecords[block]) continue;
    SeenRecords[block] = true;
    if (std::optional<UrlCacheRecord> record = ParseUrlRecord(Bytes, offset)) return record;
  }
  return std::nullopt;
}
