#include "sources/chromium/ChromiumBlockfile.h"

#include <cstdio>

#include "base/ByteReader.h"

namespace ChromiumBlockfile {

namespace {

constexpr uint32_t kReservedBits = 0x0C000000;

// The index header: ten 32-bit words (magic to experiment), the creation time, 52 words
// of padding (version 3 keeps its 64-bit byte count in the first two), then the LRU data:
// 2 words of padding, filled, 5 sizes, 5 heads, 5 tails, transaction, operation,
// operation list, 7 words of padding.
constexpr size_t kLruDataSize = (2 + 1 + 3 * 5 + 3 + 7) * 4;
static_assert(IndexHeaderSize == 10 * 4 + 8 + 52 * 4 + kLruDataSize);
// An entry: hash, next, rankings node, reuse and refetch counts, state, the creation
// time, key length, long key, the streams' sizes and addresses, flags, 4 words of
// padding, self hash; then the key, which runs on into the entry's further blocks.
static_assert(EntryKeyOffset == 6 * 4 + 8 + 2 * 4 + 2 * StreamCount * 4 + 4 + 4 * 4 + 4);
static_assert(EntryStoreSize == 256);
static_assert(static_cast<size_t>(MaxInlineKeyLength) == 4 * EntryStoreSize - EntryKeyOffset - 1);
// A block file's header: magic, version, this and next file (16 bits each), entry size,
// entry count, most entries, 4 empty counts, 4 hints, updating, 5 user words, then the
// allocation bitmap that fills the rest.
constexpr size_t kBlockFileFieldsSize = 2 * 4 + 2 * 2 + 3 * 4 + 4 * 4 + 4 * 4 + 4 + 5 * 4;
static_assert(kBlockFileFieldsSize == 80 && BlockFileHeaderSize > kBlockFileFieldsSize);
// The sparse header: signature (64 bits), magic, parent key length, last block, its
// length, 10 words of padding; a child's bitmap has one bit per block of its span.
static_assert(SparseHeaderSize == 8 + 4 * 4 + 10 * 4);
static_assert(ChildDataSize == SparseHeaderSize + ChildSpan / SparseBlockSize / 8);

bool IsPowerOfTwo(uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

uint32_t Addr::BlockSize() const {
  switch (Type()) {
    case FileType::Rankings:
      return 36;
    case FileType::Block256:
      return 256;
    case FileType::Block1K:
      return 1024;
    case FileType::Block4K:
      return 4096;
    case FileType::BlockFiles:
      return 8;
    case FileType::BlockEntries:
      return 104;
    case FileType::BlockEvicted:
      return 48;
    case FileType::External:
      break;
  }
  return 0;
}

bool Addr::HoldsData() const {
  if (!Initialized()) return false;
  if (External()) return true;
  return Type() <= FileType::Block4K && Type() != FileType::Rankings &&
         (Value & kReservedBits) == 0;
}

bool Addr::HoldsEntry() const {
  return Initialized() && Type() == FileType::Block256 && (Value & kReservedBits) == 0;
}

std::string Addr::FileName() const {
  if (!External()) return BlockFileName(FileNumber());
  char name[16];
  std::snprintf(name, sizeof name, "f_%06x", FileNumber());
  return name;
}

std::string BlockFileName(uint32_t fileNumber) {
  return "data_" + std::to_string(fileNumber);
}

std::optional<IndexHeader> ParseIndexHeader(std::span<const std::byte> bytes) {
  const Bytes::ByteReader reader(bytes);
  if (reader.Size() < IndexHeaderSize || reader.LE32(0) != IndexMagic) return std::nullopt;
  IndexHeader header;
  header.Version = *reader.LE32(4);
  if (header.Version != Version2_0 && header.Version != Version2_1 &&
      header.Version != Version3_0) {
    return std::nullopt;
  }
  header.EntryCount = static_cast<int32_t>(*reader.LE32(8));
  header.LastFile = static_cast<int32_t>(*reader.LE32(16));
  header.TableLength = *reader.LE32(28);
  if (header.TableLength == 0) header.TableLength = DefaultTableLength;
  if (!IsPowerOfTwo(header.TableLength) || header.TableLength > MaxTableLength) {
    return std::nullopt;
  }
  header.Crash = static_cast<int32_t>(*reader.LE32(32));
  header.CreateTime = *reader.LE64(40);
  header.ByteCount = header.Version >= Version3_0 ? static_cast<int64_t>(*reader.LE64(48))
                                                  : static_cast<int32_t>(*reader.LE32(12));
  return header;
}

std::optional<BlockFileHeader> ParseBlockFileHeader(std::span<const std::byte> bytes) {
  Bytes::ByteCursor cursor{Bytes::ByteReader(bytes)};
  const uint32_t magic = cursor.LE32();
  BlockFileHeader header;
  header.Version = cursor.LE32();
  header.ThisFile = static_cast<int16_t>(cursor.LE16());
  header.NextFile = static_cast<int16_t>(cursor.LE16());
  header.EntrySize = static_cast<int32_t>(cursor.LE32());
  header.EntryCount = static_cast<int32_t>(cursor.LE32());
  header.MaxEntries = static_cast<int32_t>(cursor.LE32());
  if (!cursor.Ok() || magic != BlockFileMagic || header.EntrySize <= 0) return std::nullopt;
  return header;
}

std::optional<EntryStore> ParseEntryStore(std::span<const std::byte> bytes) {
  Bytes::ByteCursor cursor{Bytes::ByteReader(bytes)};
  EntryStore entry;
  entry.Hash = cursor.LE32();
  entry.Next.Value = cursor.LE32();
  entry.RankingsNode.Value = cursor.LE32();
  entry.ReuseCount = static_cast<int32_t>(cursor.LE32());
  entry.RefetchCount = static_cast<int32_t>(cursor.LE32());
  entry.State = static_cast<int32_t>(cursor.LE32());
  entry.CreationTime = cursor.LE64();
  entry.KeyLength = static_cast<int32_t>(cursor.LE32());
  entry.LongKey.Value = cursor.LE32();
  for (int32_t& size : entry.DataSize) size = static_cast<int32_t>(cursor.LE32());
  for (Addr& addr : entry.DataAddr) addr.Value = cursor.LE32();
  entry.Flags = cursor.LE32();
  cursor.Skip(16);
  entry.SelfHash = cursor.LE32();
  if (!cursor.Ok() || bytes.size() < EntryStoreSize) return std::nullopt;
  return entry;
}

std::optional<SparseHeader> ParseSparseHeader(std::span<const std::byte> bytes) {
  Bytes::ByteCursor cursor{Bytes::ByteReader(bytes)};
  SparseHeader header;
  header.Signature = static_cast<int64_t>(cursor.LE64());
  const uint32_t magic = cursor.LE32();
  header.ParentKeyLength = static_cast<int32_t>(cursor.LE32());
  header.LastBlock = static_cast<int32_t>(cursor.LE32());
  header.LastBlockLength = static_cast<int32_t>(cursor.LE32());
  if (!cursor.Ok() || bytes.size() < SparseHeaderSize || magic != IndexMagic) return std::nullopt;
  return header;
}

std::optional<DataPlace> PlaceData(Addr addr, uint64_t length) {
  if (!addr.HoldsData()) return std::nullopt;
  if (addr.External()) return DataPlace{addr.FileName(), 0};
  if (length > uint64_t{addr.BlockCount()} * addr.BlockSize()) return std::nullopt;
  return DataPlace{addr.FileName(),
                   BlockFileHeaderSize + uint64_t{addr.StartBlock()} * addr.BlockSize()};
}

}  // namespace ChromiumBlockfile
