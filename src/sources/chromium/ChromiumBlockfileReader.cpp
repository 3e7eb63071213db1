#include "sources/chromium/ChromiumBlockfileReader.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "base/ByteReader.h"

namespace ChromiumBlockfile {

namespace {

constexpr std::string_view kIndexFile = "index";
constexpr size_t kBlockFileHeaderRead = 24;

}  // namespace

std::optional<IndexHeader> Reader::ReadHeader() const {
  const auto bytes = Bytes::Fetch(Fetch, kIndexFile, 0, IndexHeaderSize);
  return bytes ? ParseIndexHeader(*bytes) : std::nullopt;
}

std::optional<BlockFileHeader> Reader::BlockHeader(uint32_t fileNumber) {
  const auto known = BlockHeaders.find(fileNumber);
  if (known != BlockHeaders.end()) return known->second;
  std::optional<BlockFileHeader> header;
  if (const auto bytes = Bytes::Fetch(Fetch, BlockFileName(fileNumber), 0, kBlockFileHeaderRead)) {
    header = ParseBlockFileHeader(*bytes);
  }
  BlockHeaders.emplace(fileNumber, header);
  return header;
}

std::optional<Chromium::BodyPiece> Reader::Locate(Addr addr, uint64_t length) {
  const auto place = PlaceData(addr, length);
  if (!place) return std::nullopt;
  if (!addr.External()) {
    // The block file must be of the address's block size and hold the blocks named.
    const auto header = BlockHeader(addr.FileNumber());
    if (!header || static_cast<uint32_t>(header->EntrySize) != addr.BlockSize() ||
        (header->MaxEntries > 0 &&
         addr.StartBlock() + addr.BlockCount() > static_cast<uint32_t>(header->MaxEntries))) {
      return std::nullopt;
    }
  }
  Chromium::BodyPiece piece;
  piece.File = place->File;
  piece.FileOffset = place->Offset;
  piece.Length = length;
  return piece;
}

std::optional<Chromium::BodyPiece> Reader::LocateStream(const EntryStore& entry, int stream) {
  if (stream < 0 || stream >= StreamCount) return std::nullopt;
  const int32_t size = entry.DataSize[static_cast<size_t>(stream)];
  if (size < 0) return std::nullopt;
  if (size == 0) return Chromium::BodyPiece{};
  return Locate(entry.DataAddr[static_cast<size_t>(stream)], static_cast<uint64_t>(size));
}

bool Reader::Claim(Addr addr) {
  // The block count is no part of the place: a shorter claim of the same start shares it.
  const uint32_t place = addr.External() ? addr.Value : addr.Value & ~(3u << 24);
  return Claimed.insert(place).second;
}

bool Reader::ClaimStream(const EntryStore& entry, int stream) {
  if (stream < 0 || stream >= StreamCount) return false;
  if (entry.DataSize[static_cast<size_t>(stream)] <= 0) return true;
  return Claim(entry.DataAddr[static_cast<size_t>(stream)]);
}

std::optional<std::vector<std::byte>> Reader::ReadStream(const EntryStore& entry, int stream,
                                                         size_t maxLength) {
  const auto piece = LocateStream(entry, stream);
  if (!piece || piece->Length > maxLength) return std::nullopt;
  if (piece->Length == 0) return std::vector<std::byte>{};
  const auto bytes =
      Bytes::Fetch(Fetch, piece->File, piece->FileOffset, static_cast<size_t>(piece->Length));
  if (!bytes) return std::nullopt;
  return std::vector<std::byte>(bytes->begin(), bytes->end());
}

std::optional<std::string> Reader::ReadKey(const EntryStore& store,
                                           std::span<const std::byte> blocks) {
  if (store.KeyLength <= 0 || store.KeyLength > MaxKeyLength) return std::nullopt;
  const auto length = static_cast<size_t>(store.KeyLength);
  if (!store.LongKey.Initialized()) {
    // The key and its NUL run on into the entry's further blocks.
    if (store.KeyLength > MaxInlineKeyLength || EntryKeyOffset + length >= blocks.size() ||
        blocks[EntryKeyOffset + length] != std::byte{0}) {
      return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(blocks.data()) + EntryKeyOffset, length);
  }
  if (!Claim(store.LongKey)) return std::nullopt;
  const auto piece = Locate(store.LongKey, length);
  if (!piece) return std::nullopt;
  const auto bytes = Bytes::Fetch(Fetch, piece->File, piece->FileOffset, length);
  if (!bytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

std::optional<Walk> Reader::WalkEntries() {
  const auto header = ReadHeader();
  if (!header) return std::nullopt;
  // Every walk hands out the places afresh.
  Claimed.clear();
  Walk walk;
  walk.Header = *header;
  const uint32_t mask = header->TableLength - 1;

  // The non-empty buckets; the table itself can be megabytes of mostly zeros.
  std::vector<std::pair<uint32_t, Addr>> heads;
  for (uint32_t first = 0; first < header->TableLength;) {
    const uint32_t count = std::min<uint32_t>(header->TableLength - first, TableReadSize / 4);
    const auto bytes =
        Bytes::Fetch(Fetch, kIndexFile, IndexHeaderSize + uint64_t{first} * 4, size_t{count} * 4);
    if (!bytes) return std::nullopt;
    const Bytes::ByteReader table(*bytes);
    for (uint32_t i = 0; i < count; ++i) {
      const Addr addr{*table.LE32(uint64_t{i} * 4)};
      if (addr.Value != 0) heads.emplace_back(first + i, addr);
    }
    first += count;
  }

  std::unordered_set<uint32_t> visited;
  for (const auto& [bucket, head] : heads) {
    for (Addr current = head; current.Value != 0;) {
      if (visited.size() >= MaxWalkEntries) {
        walk.Stats.Truncated = true;
        return walk;
      }
      if (visited.contains(current.Value)) {
        ++walk.Stats.Loops;
        break;
      }
      const auto place = current.HoldsEntry()
                             ? Locate(current, uint64_t{current.BlockCount()} * EntryStoreSize)
                             : std::nullopt;
      const auto blocks = place ? Bytes::Fetch(Fetch, place->File, place->FileOffset,
                                               static_cast<size_t>(place->Length))
                                : std::nullopt;
      const auto store = blocks ? ParseEntryStore(*blocks) : std::nullopt;
      // An entry of another bucket cannot be reached by the browser through this chain:
      // the link is damaged, and what follows it is not trusted either.
      if (!store || (store->Hash & mask) != bucket) {
        ++walk.Stats.Damaged;
        break;
      }
      visited.insert(current.Value);
      Entry entry;
      entry.Address = current;
      entry.Bucket = bucket;
      entry.Store = *store;
      current = store->Next;
      if (store->State == static_cast<int32_t>(EntryState::Doomed)) {
        ++walk.Stats.Doomed;
        continue;
      }
      auto key = store->State == static_cast<int32_t>(EntryState::Normal) ||
                         store->State == static_cast<int32_t>(EntryState::Evicted)
                     ? ReadKey(*store, *blocks)
                     : std::nullopt;
      if (!key) {
        ++walk.Stats.Damaged;
        continue;
      }
      entry.Key = std::move(*key);
      walk.Entries.push_back(std::move(entry));
    }
  }
  return walk;
}

}  // namespace ChromiumBlockfile
