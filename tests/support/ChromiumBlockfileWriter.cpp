#include "support/ChromiumBlockfileWriter.h"

#include <algorithm>
#include <cstdio>

#include "support/ChromiumSimpleWriter.h"

namespace vorlane::test {

namespace {

constexpr uint32_t kBlockSizes[] = {0, 36, 256, 1024, 4096};

std::string DataFile(uint32_t type) {
  return "data_" + std::to_string(type - 1);
}

std::string SparseHeader(int64_t signature, size_t keyLength, int32_t lastBlock,
                         int32_t lastLength) {
  std::string out;
  AppendLe(out, static_cast<uint64_t>(signature), 8);
  AppendLe(out, 0xC103CAC3);
  AppendLe(out, static_cast<uint32_t>(keyLength));
  AppendLe(out, static_cast<uint32_t>(lastBlock));
  AppendLe(out, static_cast<uint32_t>(lastLength));
  return out + std::string(40, '\0');
}

}  // namespace

ChromiumBlockfileWriter::ChromiumBlockfileWriter(uint32_t version, uint32_t tableLength)
    : TableLength(tableLength) {
  std::string& index = FileBytes["index"];
  AppendLe(index, 0xC103CAC3);
  AppendLe(index, version);
  index.resize(28);
  AppendLe(index, tableLength == 0x10000 ? 0 : tableLength);
  index.resize(368 + 4 * size_t{tableLength}, '\0');
  for (uint32_t type = 1; type <= 4; ++type) {
    std::string& header = FileBytes[DataFile(type)];
    AppendLe(header, 0xC104CAC3);
    AppendLe(header, 0x20000);
    AppendLe(header, type - 1);  // this_file; next_file 0
    AppendLe(header, kBlockSizes[type], 8);
    AppendLe(header, 1024);  // capacity, as a new file has
    header.resize(8192, '\0');
  }
}

uint32_t ChromiumBlockfileWriter::Allocate(uint32_t type, uint32_t blocks) {
  const uint32_t first = UsedBlocks[type];
  UsedBlocks[type] += blocks;
  FileBytes[DataFile(type)].resize(8192 + size_t{UsedBlocks[type]} * kBlockSizes[type], '\0');
  return 0x80000000u | type << 28 | (blocks - 1) << 24 | (type - 1) << 16 | first;
}

uint32_t ChromiumBlockfileWriter::Store(const std::string& data) {
  if (data.empty()) return 0;
  const uint32_t type = data.size() > 16384  ? 0
                        : data.size() < 1024 ? 2
                        : data.size() < 4096 ? 3
                                             : 4;
  if (type == 0) {
    char name[16];
    std::snprintf(name, sizeof name, "f_%06x", NextExternal);
    FileBytes[name] = data;
    return 0x80000000u | NextExternal++;
  }
  const auto blocks =
      static_cast<uint32_t>((data.size() + kBlockSizes[type] - 1) / kBlockSizes[type]);
  const uint32_t address = Allocate(type, blocks);
  FileBytes[DataFile(type)].replace(8192 + size_t{address & 0xFFFF} * kBlockSizes[type],
                                    data.size(), data);
  return address;
}

uint32_t ChromiumBlockfileWriter::Add(const ChromiumBlockfileItem& item) {
  const bool longKey = item.Key.size() > 927;
  const auto blocks = longKey ? 1u : static_cast<uint32_t>((96 + item.Key.size() + 1 + 255) / 256);
  const uint32_t address = Allocate(2, blocks);
  uint32_t hash = 2166136261u;
  for (const char c : item.Key) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  hash = item.Hash.value_or(hash);
  std::string entry;
  AppendLe(entry, hash);
  AppendLe(entry, 0);               // next
  AppendLe(entry, Allocate(1, 1));  // rankings node
  AppendLe(entry, 0, 8);            // reuse and refetch counts
  AppendLe(entry, static_cast<uint32_t>(item.State));
  AppendLe(entry, 13416000000000000, 8);  // creation time
  AppendLe(entry, static_cast<uint32_t>(item.Key.size()));
  AppendLe(entry, longKey ? Store(item.Key + '\0') : 0);
  const std::string* streams[] = {&item.Stream0, &item.Stream1, &item.Stream2, nullptr};
  for (const std::string* s : streams) AppendLe(entry, s ? s->size() : 0);
  for (const std::string* s : streams) AppendLe(entry, s ? Store(*s) : 0);
  AppendLe(entry, item.Flags);
  entry.resize(96, '\0');  // padding and self hash
  if (!longKey) entry += item.Key;
  entry.resize(size_t{blocks} * 256, '\0');
  FileBytes["data_1"].replace(8192 + size_t{address & 0xFFFF} * 256, entry.size(), entry);

  const uint32_t masked = hash & (TableLength - 1);
  if (const auto last = LastInBucket.find(masked); last != LastInBucket.end()) {
    PatchEntry(last->second, 4, address);
  } else {
    SetBucket(masked, address);
  }
  LastInBucket[masked] = address;
  PutLe32(FileBytes["index"], 8, ++EntryCount);
  return address;
}

void ChromiumBlockfileWriter::AddSparse(const std::string& key, const std::string& stream0,
                                        const std::vector<std::pair<uint64_t, std::string>>& writes,
                                        int64_t signature) {
  struct Child {
    std::string Data;
    std::vector<bool> Map = std::vector<bool>(1024);
    int32_t LastBlock = -1, LastLength = 0;
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
      // The child's bitmap as the browser updates it after each write.
      uint32_t first = start >> 10;
      const auto partFirst = static_cast<int32_t>(start & 1023);
      if (partFirst != 0 &&
          (child.LastBlock != static_cast<int32_t>(first) || child.LastLength < partFirst)) {
        ++first;
      }
      const uint32_t last = (start + length) >> 10, partLast = (start + length) & 1023;
      if (first <= last) {
        const bool partial = partLast != 0 && !child.Map[last];
        child.LastBlock = partial ? static_cast<int32_t>(last) : -1;
        if (partial) child.LastLength = static_cast<int32_t>(partLast);
        for (uint32_t bit = first; bit < last; ++bit) child.Map[bit] = true;
      }
      done += length;
    }
  }
  std::string parentMap(128, '\0');
  for (const auto& [index, child] : children) {
    parentMap[index / 8] = static_cast<char>(parentMap[index / 8] | 1 << (index % 8));
    std::string bitmap(128, '\0');
    for (uint32_t bit = 0; bit < 1024; ++bit) {
      if (child.Map[bit]) bitmap[bit / 8] = static_cast<char>(bitmap[bit / 8] | 1 << (bit % 8));
    }
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ":%llx:%llx", static_cast<unsigned long long>(signature),
                  static_cast<unsigned long long>(index));
    const std::string control =
        SparseHeader(signature, key.size(), child.LastBlock, child.LastLength);
    Add({"Range_" + key + suffix, "", child.Data, control + bitmap, 2, 0, {}});
  }
  Add({key, stream0, "", SparseHeader(signature, key.size(), -1, 0) + parentMap, 1, 0, {}});
}

void ChromiumBlockfileWriter::PatchEntry(uint32_t address, size_t offset, uint32_t value) {
  PutLe32(FileBytes["data_1"], 8192 + size_t{address & 0xFFFF} * 256 + offset, value);
}

void ChromiumBlockfileWriter::SetBucket(uint32_t bucket, uint32_t address) {
  PutLe32(FileBytes["index"], 368 + 4 * size_t{bucket}, address);
}

Bytes::MemoryFiles ChromiumBlockfileWriter::Files() const {
  Bytes::MemoryFiles files;
  for (const auto& [name, bytes] : FileBytes) files.Put(name, bytes);
  return files;
}

}  // namespace vorlane::test
