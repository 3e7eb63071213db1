#include "support/ChromiumBlockfileWriter.h"

#include <algorithm>
#include <cstdio>

#include "support/ChromiumPickleWriter.h"

namespace vorlane::test {

namespace {

constexpr uint32_t kBlockSizes[] = {0, 36, 256, 1024, 4096};

uint32_t Fnv1a(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  return hash;
}

std::string SparseHeader(int64_t signature, size_t parentKeyLength, int32_t lastBlock,
                         int32_t lastBlockLength) {
  std::string out;
  AppendLe64(out, static_cast<uint64_t>(signature));
  AppendLe32(out, 0xC103CAC3);
  AppendLe32(out, static_cast<uint32_t>(parentKeyLength));
  AppendLe32(out, static_cast<uint32_t>(lastBlock));
  AppendLe32(out, static_cast<uint32_t>(lastBlockLength));
  return out + std::string(40, '\0');
}

}  // namespace

ChromiumBlockfileWriter::ChromiumBlockfileWriter(uint32_t version, uint32_t tableLength)
    : TableLength(tableLength) {
  std::string index;
  AppendLe32(index, 0xC103CAC3);
  AppendLe32(index, version);
  index.resize(28);
  AppendLe32(index, tableLength == 0x10000 ? 0 : tableLength);
  index.resize(368 + 4 * size_t{tableLength}, '\0');
  FileBytes["index"] = index;
  for (int type = 1; type <= 4; ++type) {
    std::string header;
    AppendLe32(header, 0xC104CAC3);
    AppendLe32(header, 0x20000);
    AppendLe32(header, static_cast<uint32_t>(type - 1));  // this_file, next_file 0
    AppendLe32(header, kBlockSizes[type]);
    AppendLe32(header, 0);
    AppendLe32(header, 1024);  // max_entries, as a new file is made
    header.resize(8192, '\0');
    FileBytes["data_" + std::to_string(type - 1)] = header;
  }
}

uint32_t ChromiumBlockfileWriter::Allocate(int type, uint32_t blocks) {
  std::string& file = FileBytes["data_" + std::to_string(type - 1)];
  const uint32_t first = UsedBlocks[type];
  UsedBlocks[type] = first + blocks;
  file.resize(8192 + size_t{UsedBlocks[type]} * kBlockSizes[type], '\0');
  return 0x80000000u | static_cast<uint32_t>(type) << 28 | (blocks - 1) << 24 |
         static_cast<uint32_t>(type - 1) << 16 | first;
}

uint32_t ChromiumBlockfileWriter::Store(const std::string& data) {
  if (data.empty()) return 0;
  const int type = data.size() < 1024 ? 2 : data.size() < 4096 ? 3 : data.size() <= 16384 ? 4 : 0;
  if (type == 0) {
    char name[16];
    std::snprintf(name, sizeof name, "f_%06x", NextExternal);
    FileBytes[name] = data;
    return 0x80000000u | NextExternal++;
  }
  const auto blocks =
      static_cast<uint32_t>((data.size() + kBlockSizes[type] - 1) / kBlockSizes[type]);
  const uint32_t address = Allocate(type, blocks);
  FileBytes["data_" + std::to_string(type - 1)].replace(
      8192 + size_t{address & 0xFFFF} * kBlockSizes[type], data.size(), data);
  return address;
}

std::string& ChromiumBlockfileWriter::EntryBytes(uint32_t address, size_t& offset) {
  offset = 8192 + size_t{address & 0xFFFF} * 256;
  return FileBytes["data_" + std::to_string((address >> 16) & 0xFF)];
}

uint32_t ChromiumBlockfileWriter::Add(const ChromiumBlockfileItem& item) {
  const bool longKey = item.Key.size() > 927;
  const auto blocks = longKey ? 1u : static_cast<uint32_t>((96 + item.Key.size() + 1 + 255) / 256);
  const uint32_t address = Allocate(2, blocks);
  const uint32_t hash = item.Hash.value_or(Fnv1a(item.Key));
  std::string entry;
  AppendLe32(entry, hash);
  AppendLe32(entry, 0);               // next
  AppendLe32(entry, Allocate(1, 1));  // rankings node
  AppendLe64(entry, 0);               // reuse and refetch counts
  AppendLe32(entry, static_cast<uint32_t>(item.State));
  AppendLe64(entry, 13416000000000000);  // creation time
  AppendLe32(entry, static_cast<uint32_t>(item.Key.size()));
  AppendLe32(entry, longKey ? Store(item.Key + '\0') : 0);
  const std::string* streams[] = {&item.Stream0, &item.Stream1, &item.Stream2};
  for (const std::string* stream : streams)
    AppendLe32(entry, static_cast<uint32_t>(stream->size()));
  AppendLe32(entry, 0);
  for (const std::string* stream : streams) AppendLe32(entry, Store(*stream));
  AppendLe32(entry, 0);
  AppendLe32(entry, item.Flags);
  entry.resize(96, '\0');  // padding and self hash
  if (!longKey) entry += item.Key;
  entry.resize(size_t{blocks} * 256, '\0');
  size_t offset = 0;
  EntryBytes(address, offset).replace(offset, entry.size(), entry);

  const uint32_t bucket = hash & (TableLength - 1);
  if (const auto last = LastInBucket.find(bucket); last != LastInBucket.end()) {
    PatchEntry(last->second, 4, address);
  } else {
    SetBucket(bucket, address);
  }
  LastInBucket[bucket] = address;
  PutLe32(FileBytes["index"], 8, ++EntryCount);
  return address;
}

uint32_t ChromiumBlockfileWriter::AddSparse(
    const std::string& key, const std::string& stream0,
    const std::vector<std::pair<uint64_t, std::string>>& writes, int64_t signature) {
  struct Child {
    std::string Data;
    std::vector<bool> Map = std::vector<bool>(1024);
    int32_t LastBlock = -1;
    int32_t LastBlockLength = 0;
  };
  std::map<uint64_t, Child> children;
  for (const auto& [offset, bytes] : writes) {
    for (uint64_t done = 0; done < bytes.size();) {
      Child& child = children[(offset + done) >> 20];
      const auto start = static_cast<uint32_t>((offset + done) & 0xFFFFF);
      const auto length =
          static_cast<uint32_t>(std::min<uint64_t>(bytes.size() - done, 0x100000 - start));
      if (child.Data.size() < start + length) child.Data.resize(start + length, '\0');
      child.Data.replace(start, length, bytes, done, length);
      // The bitmap as the browser updates it after each write (SparseControl::UpdateRange).
      uint32_t firstBit = start >> 10;
      if ((start & 1023) != 0 && (child.LastBlock != static_cast<int32_t>(firstBit) ||
                                  child.LastBlockLength < static_cast<int32_t>(start & 1023))) {
        ++firstBit;
      }
      const uint32_t lastBit = (start + length) >> 10;
      const uint32_t endOffset = (start + length) & 1023;
      if (firstBit <= lastBit) {
        const bool partial = endOffset != 0 && !(lastBit < 1024 && child.Map[lastBit]);
        child.LastBlock = partial ? static_cast<int32_t>(lastBit) : -1;
        child.LastBlockLength = partial ? static_cast<int32_t>(endOffset) : child.LastBlockLength;
        for (uint32_t bit = firstBit; bit < lastBit; ++bit) child.Map[bit] = true;
      }
      done += length;
    }
  }
  std::string parentMap(128, '\0');
  for (const auto& [index, child] : children) {
    parentMap[index / 8] = static_cast<char>(parentMap[index / 8] | 1 << (index % 8));
    std::string data = SparseHeader(signature, key.size(), child.LastBlock, child.LastBlockLength);
    std::string bitmap(128, '\0');
    for (uint32_t bit = 0; bit < 1024; ++bit) {
      if (child.Map[bit]) bitmap[bit / 8] = static_cast<char>(bitmap[bit / 8] | 1 << (bit % 8));
    }
    char name[64];
    std::snprintf(name, sizeof name, ":%llx:%llx", static_cast<unsigned long long>(signature),
                  static_cast<unsigned long long>(index));
    Add({"Range_" + key + name, "", child.Data, data + bitmap, 2, 0, std::nullopt});
  }
  return Add({key, stream0, "", SparseHeader(signature, key.size(), -1, 0) + parentMap, 1, 0,
              std::nullopt});
}

void ChromiumBlockfileWriter::PatchEntry(uint32_t address, size_t offset, uint32_t value) {
  size_t start = 0;
  std::string& file = EntryBytes(address, start);
  PutLe32(file, start + offset, value);
}

void ChromiumBlockfileWriter::SetBucket(uint32_t bucket, uint32_t address) {
  PutLe32(FileBytes["index"], 368 + 4 * size_t{bucket}, address);
}

uint32_t ChromiumBlockfileWriter::Bucket(const std::string& key) const {
  return Fnv1a(key) & (TableLength - 1);
}

Bytes::MemoryFiles ChromiumBlockfileWriter::Files() const {
  Bytes::MemoryFiles files;
  for (const auto& [name, bytes] : FileBytes) files.Put(name, bytes);
  return files;
}

}  // namespace vorlane::test
