#include "support/UrlCacheIndexWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vorlane::test {

namespace {

constexpr uint32_t RecordArea = 0x4000;
constexpr uint32_t BlockSize = 128;
constexpr uint32_t TableBlocks = 32;
constexpr uint32_t TableSlots = (TableBlocks * BlockSize - 16) / 8;
constexpr uint32_t UrlDataStart = 0x68;

void Put32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void Put64(std::string& bytes, size_t offset, uint64_t value) {
  Put32(bytes, offset, static_cast<uint32_t>(value));
  Put32(bytes, offset + 4, static_cast<uint32_t>(value >> 32));
}

void PutText(std::string& bytes, size_t offset, const std::string& text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

uint32_t Align8(size_t value) {
  return static_cast<uint32_t>((value + 7) / 8 * 8);
}

uint32_t Blocks(size_t bytes) {
  return static_cast<uint32_t>((bytes + BlockSize - 1) / BlockSize);
}

// Any stable hash will do; the low six bits are the item's flags.
uint32_t KeyOf(const std::string& text, uint32_t flags) {
  uint32_t hash = 2166136261u;
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return (hash & ~0x3Fu) | flags;
}

}  // namespace

UrlCacheIndexWriter::UrlCacheIndexWriter(Signature signature)
    : Format(signature),
      ItemsPerTable(signature == Signature::InternetExplorer ? TableSlots : 448) {}

void UrlCacheIndexWriter::AddDirectory(std::string name) {
  Directories.push_back(std::move(name));
}

void UrlCacheIndexWriter::AddUrl(UrlItem item) {
  Records.push_back({Kind::Url, std::move(item)});
}

void UrlCacheIndexWriter::AddRedirect(std::string url, uint32_t hashFlags) {
  UrlItem item;
  item.Url = std::move(url);
  item.HashFlags = hashFlags;
  Records.push_back({Kind::Redirect, std::move(item)});
}

void UrlCacheIndexWriter::AddLeak(std::string fileName, bool listed) {
  UrlItem item;
  item.FileName = std::move(fileName);
  item.Listed = listed;
  Records.push_back({Kind::Leak, std::move(item)});
}

std::string UrlCacheIndexWriter::RecordBytes(const Record& record) const {
  const UrlItem& item = record.Item;
  std::string bytes;
  switch (record.Type) {
    case Kind::Url: {
      const uint32_t nameOffset = Align8(UrlDataStart + item.Url.size() + 1);
      const uint32_t dataOffset =
          item.FileName.empty() ? nameOffset : Align8(nameOffset + item.FileName.size() + 1);
      const size_t end = dataOffset + (item.HeaderInfo ? item.HeaderInfo->size() + 1 : 0);
      bytes.assign(size_t{Blocks(end)} * BlockSize, '\0');
      PutText(bytes, 0, "URL ");
      Put64(bytes, 8, item.LastModifiedTime);
      Put64(bytes, 16, item.LastAccessTime);
      Put32(bytes, 24, item.ExpireFat);
      Put64(bytes, 32, item.Size);
      Put32(bytes, 48, 0x60);
      Put32(bytes, 52, UrlDataStart);
      bytes[56] = static_cast<char>(item.DirectoryIndex);
      bytes[58] = bytes[59] = 0x10;
      Put32(bytes, 64, item.EntryType);
      Put32(bytes, 80, item.LastSyncFat);
      PutText(bytes, UrlDataStart, item.Url);
      if (!item.FileName.empty()) {
        Put32(bytes, 60, nameOffset);
        PutText(bytes, nameOffset, item.FileName);
      }
      if (item.HeaderInfo) {
        Put32(bytes, 68, dataOffset);
        Put32(bytes, 72, static_cast<uint32_t>(item.HeaderInfo->size() + 1));
        PutText(bytes, dataOffset, *item.HeaderInfo);
      }
      break;
    }
    case Kind::Redirect:
      bytes.assign(size_t{Blocks(16 + item.Url.size() + 1)} * BlockSize, '\0');
      PutText(bytes, 0, "REDR");
      Put32(bytes, 12, KeyOf(item.Url, 0));
      PutText(bytes, 16, item.Url);
      break;
    case Kind::Leak:
      bytes.assign(size_t{Blocks(UrlDataStart + item.FileName.size() + 1)} * BlockSize, '\0');
      PutText(bytes, 0, "LEAK");
      Put32(bytes, 60, UrlDataStart);
      PutText(bytes, UrlDataStart, item.FileName);
      break;
  }
  Put32(bytes, 4, Blocks(bytes.size()));
  return bytes;
}

std::string UrlCacheIndexWriter::Build(Layout* layout) const {
  const auto listed = static_cast<uint32_t>(
      std::count_if(Records.begin(), Records.end(), [](const Record& r) { return r.Item.Listed; }));
  const uint32_t perTable = std::clamp<uint32_t>(ItemsPerTable, 1, TableSlots);
  const uint32_t tables = std::max<uint32_t>(1, (listed + perTable - 1) / perTable);

  std::vector<std::string> records;
  uint32_t blocks = tables * TableBlocks;
  for (const Record& record : Records) {
    records.push_back(RecordBytes(record));
    blocks += Blocks(records.back().size());
  }
  const uint32_t capacity = std::max<uint32_t>(0x80, (blocks + 7) / 8 * 8);
  std::string bytes(RecordArea + size_t{capacity} * BlockSize, '\0');

  static const char* const Signatures[] = {
      "Client UrlCache MMF Ver 5.2", "WINE URLCache Ver 0.2012001", "WINE URLCache Ver 0.2005001"};
  PutText(bytes, 0, Signatures[static_cast<int>(Format)]);
  Put32(bytes, 28, static_cast<uint32_t>(bytes.size()));
  Put32(bytes, 32, RecordArea);
  Put32(bytes, 36, capacity);
  Put32(bytes, 40, blocks);
  Put32(bytes, 48, 0x07FF5400);
  Put32(bytes, 72, static_cast<uint32_t>(Directories.size()));
  for (size_t i = 0; i < Directories.size(); ++i) {
    PutText(bytes, 76 + i * 12 + 4, Directories[i].substr(0, 8));
  }
  for (uint32_t block = 0; block < blocks; ++block)
    bytes[0x250 + block / 8] |= static_cast<char>(1 << (block % 8));

  Layout out;
  for (uint32_t t = 0; t < tables; ++t) {
    const uint32_t offset = RecordArea + t * TableBlocks * BlockSize;
    out.HashTables.push_back(offset);
    PutText(bytes, offset, "HASH");
    Put32(bytes, offset + 4, TableBlocks);
    Put32(bytes, offset + 8, t + 1 < tables ? offset + TableBlocks * BlockSize : 0);
    Put32(bytes, offset + 12, t);
    // Free slots as the browsers leave them; slots past the table's size hold the
    // filler of freshly allocated blocks.
    for (uint32_t slot = 0; slot < TableSlots; ++slot) {
      const uint32_t filler = slot < perTable ? 3 : 0xDEADBEEF;
      Put32(bytes, offset + 16 + slot * 8, filler);
      Put32(bytes, offset + 20 + slot * 8, filler);
    }
  }

  uint32_t place = RecordArea + tables * TableBlocks * BlockSize;
  uint32_t item = 0;
  for (size_t i = 0; i < Records.size(); ++i) {
    PutText(bytes, place, records[i]);
    out.Records.push_back(place);
    if (Records[i].Item.Listed) {
      const uint32_t slot = out.HashTables[item / perTable] + 16 + (item % perTable) * 8;
      const std::string& name =
          Records[i].Type == Kind::Leak ? Records[i].Item.FileName : Records[i].Item.Url;
      Put32(bytes, slot, KeyOf(name, Records[i].Item.HashFlags));
      Put32(bytes, slot + 4, place);
      ++item;
    }
    place += static_cast<uint32_t>(records[i].size());
  }
  if (layout) *layout = std::move(out);
  return bytes;
}

bool UrlCacheIndexWriter::WriteTo(const std::string& path, Layout* layout) const {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const std::string bytes = Build(layout);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

uint32_t UrlCacheIndexWriter::FatDateTime(int year, int month, int day, int hour, int minute,
                                          int second) {
  const auto date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const auto time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return date | time << 16;
}

uint64_t UrlCacheIndexWriter::FileTime(int64_t unixSeconds) {
  return static_cast<uint64_t>(unixSeconds + 11644473600) * 10000000;
}

}  // namespace vorlane::test
