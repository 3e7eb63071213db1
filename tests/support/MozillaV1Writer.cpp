#include "support/MozillaV1Writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "sources/mozilla/MozillaHash.h"

namespace vorlane::test {

namespace {

constexpr std::array<uint32_t, 3> kBlockSizes = {256, 1024, 4096};

uint32_t Bitmap(uint32_t version, uint32_t file) {
  if (version < kMozillaNestedVersion) return 4096;
  constexpr uint32_t kSizes[3] = {16384, 4096, 1024};
  return kSizes[file - 1];
}

void AppendBig32(std::string& out, uint32_t value) {
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

bool WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

uint32_t MozillaKeyHash(std::string_view key) {
  return MozillaHash(key);
}

uint32_t MozillaBlockLocation(uint32_t file, uint32_t firstBlock, uint32_t blockCount) {
  return 0x80000000u | (file << 28) | ((blockCount - 1) << 24) | (firstBlock & 0x00FFFFFF);
}

uint32_t MozillaSeparateLocation(uint8_t generation, uint32_t sizeInKiB) {
  return 0x80000000u | ((sizeInKiB & 0xFFFF) << 8) | generation;
}

std::string MozillaSeparatePath(uint32_t version, uint32_t hash, char kind, uint8_t generation) {
  char name[40];
  if (version < kMozillaNestedVersion) {
    std::snprintf(name, sizeof name, "%08X%c%02X", hash, kind, unsigned{generation});
  } else {
    std::snprintf(name, sizeof name, "%X/%02X/%05X%c%02X", hash >> 28, (hash >> 20) & 0xFF,
                  hash & 0xFFFFF, kind, unsigned{generation});
  }
  return name;
}

std::string MozillaMetadataBytes(const MozillaMetadataSpec& spec, uint32_t version) {
  std::string strings;
  for (const auto& [name, value] : spec.Elements) {
    strings += name;
    strings += '\0';
    strings += value;
    strings += '\0';
  }
  const uint32_t keySize = spec.KeySize.value_or(static_cast<uint32_t>(spec.Key.size() + 1));
  const uint32_t metaSize = spec.MetaSize.value_or(static_cast<uint32_t>(strings.size()));
  std::string out;
  AppendBig32(out, version);
  AppendBig32(out, 0);  // location of the metadata, filled in by the browser
  AppendBig32(out, spec.FetchCount);
  AppendBig32(out, spec.Time);  // last fetched
  AppendBig32(out, spec.Time);  // last modified
  AppendBig32(out, spec.Time + 3600);
  AppendBig32(out, spec.DataSize);
  AppendBig32(out, keySize);
  AppendBig32(out, metaSize);
  out += spec.Key;
  out += '\0';
  out += strings;
  return out;
}

MozillaV1Writer::MozillaV1Writer(uint32_t version, uint32_t recordCount)
    : MapVersion(version), RecordCount(recordCount) {
  if (recordCount == 0 || recordCount % 32 != 0) {
    throw std::invalid_argument("record count must be a multiple of 32");
  }
  for (uint32_t file = 1; file <= 3; ++file) {
    BlockFiles[file - 1].assign(Bitmap(version, file), '\0');
  }
}

uint32_t MozillaV1Writer::FileForSize(size_t size) {
  if (size <= 1024) return 1;
  if (size <= 4096) return 2;
  if (size <= 16384) return 3;
  return 0;
}

void MozillaV1Writer::PutBlockBytes(uint32_t file, uint32_t block, std::string_view bytes) {
  std::string& content = BlockFiles.at(file - 1);
  const uint32_t blockSize = kBlockSizes[file - 1];
  const size_t offset = Bitmap(MapVersion, file) + size_t{block} * blockSize;
  if (content.size() < offset + bytes.size()) content.resize(offset + bytes.size(), '\0');
  content.replace(offset, bytes.size(), bytes);
  // The browser's bitmap: big-endian 32-bit words, bit (block % 32) of word block / 32.
  const size_t blocks = bytes.empty() ? 1 : (bytes.size() + blockSize - 1) / blockSize;
  for (size_t b = block; b < block + blocks && b / 8 < Bitmap(MapVersion, file); ++b) {
    const size_t byte = (b / 32) * 4 + 3 - (b % 32) / 8;
    content[byte] = static_cast<char>(content[byte] | (1 << (b % 8)));
  }
}

uint32_t MozillaV1Writer::PlaceBlocks(uint32_t file, std::string_view bytes) {
  const uint32_t blockSize = kBlockSizes.at(file - 1);
  const auto blocks =
      static_cast<uint32_t>(bytes.empty() ? 1 : (bytes.size() + blockSize - 1) / blockSize);
  if (blocks > 4) throw std::invalid_argument("more than four blocks");
  const uint32_t first = NextBlock[file - 1];
  NextBlock[file - 1] += blocks;
  PutBlockBytes(file, first, bytes);
  return MozillaBlockLocation(file, first, blocks);
}

void MozillaV1Writer::PutSeparateFile(uint32_t hash, char kind, uint8_t generation,
                                      std::string bytes) {
  SeparateFiles[MozillaSeparatePath(MapVersion, hash, kind, generation)] = std::move(bytes);
}

MozillaV1Record MozillaV1Writer::Add(const MozillaV1Item& item) {
  const std::string key = item.Key.value_or("HTTP:" + item.Url);
  MozillaV1Record record;
  record.Hash = item.Hash.value_or(MozillaKeyHash(key));

  MozillaMetadataSpec meta;
  meta.Key = key;
  meta.Elements.emplace_back("request-method", "GET");
  if (!item.ResponseHead.empty()) meta.Elements.emplace_back("response-head", item.ResponseHead);
  meta.Time = item.Time;
  meta.DataSize = item.DataSize.value_or(static_cast<uint32_t>(item.Data.size()));
  const std::string metaBytes = MozillaMetadataBytes(meta, MapVersion);

  if (!item.Data.empty() || item.DataFile >= 0) {
    const uint32_t file =
        item.DataFile >= 0 ? static_cast<uint32_t>(item.DataFile) : FileForSize(item.Data.size());
    if (file != 0) {
      record.DataLocation = PlaceBlocks(file, item.Data);
    } else {
      PutSeparateFile(record.Hash, 'd', item.DataGeneration, item.Data + item.SeparatePadding);
      record.DataLocation = MozillaSeparateLocation(
          item.DataGeneration, static_cast<uint32_t>((item.Data.size() + 1023) / 1024));
    }
  }
  const uint32_t metaFile =
      item.MetaFile >= 0 ? static_cast<uint32_t>(item.MetaFile) : FileForSize(metaBytes.size());
  if (metaFile != 0) {
    record.MetaLocation = PlaceBlocks(metaFile, metaBytes);
  } else {
    PutSeparateFile(record.Hash, 'm', item.MetaGeneration, metaBytes);
    record.MetaLocation = MozillaSeparateLocation(
        item.MetaGeneration, static_cast<uint32_t>((metaBytes.size() + 1023) / 1024));
  }
  AddRecord(record);
  return record;
}

void MozillaV1Writer::AddRecord(const MozillaV1Record& record) {
  auto& bucket = Live[record.Hash & 31];
  if (bucket.size() + Dead[record.Hash & 31].size() >= RecordCount / 32) {
    throw std::length_error("bucket full");
  }
  bucket.push_back(record);
}

void MozillaV1Writer::AddDeadRecord(const MozillaV1Record& record) {
  auto& bucket = Dead[record.Hash & 31];
  if (Live[record.Hash & 31].size() + bucket.size() >= RecordCount / 32) {
    throw std::length_error("bucket full");
  }
  bucket.push_back(record);
}

void MozillaV1Writer::SetBucketUsage(uint32_t bucket, uint32_t usage) {
  UsageOverride[bucket] = usage;
}

size_t MozillaV1Writer::BlockFileSize(uint32_t file) const {
  return BlockFiles.at(file - 1).size();
}

std::string MozillaV1Writer::MapBytes() const {
  std::string out;
  uint32_t entries = 0;
  for (const auto& bucket : Live) entries += static_cast<uint32_t>(bucket.size());
  AppendBig32(out, MapVersion);
  AppendBig32(out, 0);  // data size in KiB: not used by readers
  AppendBig32(out, entries);
  AppendBig32(out, HeaderOnly ? 1 : 0);  // a killed browser leaves the map dirty
  AppendBig32(out,
              static_cast<uint32_t>(HeaderRecordCount.value_or(static_cast<int32_t>(RecordCount))));
  for (uint32_t b = 0; b < 32; ++b) AppendBig32(out, 0);  // eviction ranks
  for (uint32_t b = 0; b < 32; ++b) {
    const auto found = UsageOverride.find(b);
    AppendBig32(
        out, found != UsageOverride.end() ? found->second : static_cast<uint32_t>(Live[b].size()));
  }
  if (HeaderOnly) return out;
  const uint32_t perBucket = RecordCount / 32;
  for (uint32_t b = 0; b < 32; ++b) {
    uint32_t written = 0;
    for (const auto* list : {&Live[b], &Dead[b]}) {
      for (const MozillaV1Record& record : *list) {
        AppendBig32(out, record.Hash);
        AppendBig32(out, written + 1);  // eviction rank
        AppendBig32(out, record.DataLocation);
        AppendBig32(out, record.MetaLocation);
        ++written;
      }
    }
    out.append(size_t{perBucket - written} * 16, '\0');
  }
  return out;
}

bool MozillaV1Writer::WriteMap(const std::string& folder) const {
  return WriteBytes(std::filesystem::path(folder) / "_CACHE_MAP_", MapBytes());
}

bool MozillaV1Writer::Write(const std::string& folder) const {
  const std::filesystem::path root(folder);
  if (!WriteMap(folder)) return false;
  const char* names[3] = {"_CACHE_001_", "_CACHE_002_", "_CACHE_003_"};
  for (uint32_t file = 0; file < 3; ++file) {
    if (!WriteBytes(root / names[file], BlockFiles[file])) return false;
  }
  for (const auto& [path, bytes] : SeparateFiles) {
    if (!WriteBytes(root / path, bytes)) return false;
  }
  return true;
}

}  // namespace vorlane::test
