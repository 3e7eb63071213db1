#pragma once

// The records of Chromium's blockfile disk cache backend (the Windows default): the
// `index` (a header and a hash table of entry addresses), the block files `data_N` (an
// 8 KiB header, then blocks of one size) and external files `f_%06x` for data over
// 16 KiB. A 32-bit cache address names a block range or an external file. Every integer
// is little-endian. Pure parsers over bytes; the walk is in ChromiumBlockfileWalk.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ChromiumBlockfile {

inline constexpr uint32_t IndexMagic = 0xC103CAC3;
inline constexpr uint32_t BlockFileMagic = 0xC104CAC3;
inline constexpr uint32_t Version2_0 = 0x20000;
inline constexpr uint32_t Version2_1 = 0x20001;
inline constexpr uint32_t Version3_0 = 0x30000;
inline constexpr size_t IndexHeaderSize = 368;
inline constexpr uint32_t DefaultTableLength = 0x10000;
// Chromium grows the table up to 8 times the default (0x80000 seen); a little room.
inline constexpr uint32_t MaxTableLength = 1u << 22;
inline constexpr size_t BlockFileHeaderSize = 8192;
inline constexpr size_t EntryStoreSize = 256;
inline constexpr size_t EntryKeyOffset = 96;
inline constexpr int StreamCount = 4;
// Keys up to this length run on from the entry into its further blocks (4 at most);
// longer ones lie at `long_key`.
inline constexpr int32_t MaxInlineKeyLength = 4 * 256 - 96 - 1;
inline constexpr size_t SparseHeaderSize = 64;
// A child's stream 2: its SparseHeader and a bitmap of 1024 blocks of 1 KiB.
inline constexpr size_t ChildDataSize = SparseHeaderSize + 128;
inline constexpr uint64_t ChildSpan = 1u << 20;
inline constexpr uint32_t SparseBlockSize = 1024;

enum class FileType : uint8_t {
  External = 0,
  Rankings = 1,  // 36-byte blocks, data_0
  Block256 = 2,  // entries and small data, data_1
  Block1K = 3,
  Block4K = 4,
  BlockFiles = 5,
  BlockEntries = 6,
  BlockEvicted = 7,
};

enum class EntryState : int32_t { Normal = 0, Evicted = 1, Doomed = 2 };
inline constexpr uint32_t ParentEntryFlag = 1;
inline constexpr uint32_t ChildEntryFlag = 2;

// A decoded cache address.
struct Addr {
  uint32_t Value = 0;

  bool Initialized() const { return (Value & 0x80000000u) != 0; }
  FileType Type() const { return static_cast<FileType>((Value >> 28) & 7); }
  bool External() const { return Type() == FileType::External; }
  // External: the number in `f_%06x`. Block: the N of `data_N`.
  uint32_t FileNumber() const { return External() ? Value & 0x0FFFFFFF : (Value >> 16) & 0xFF; }
  uint32_t StartBlock() const { return Value & 0xFFFF; }
  uint32_t BlockCount() const { return ((Value >> 24) & 3) + 1; }
  // Bytes per block of the address's type; 0 for External.
  uint32_t BlockSize() const;
  // Initialized, a type that holds data (external, 256 B, 1 KiB or 4 KiB blocks) and,
  // for a block address, no reserved bit set.
  bool HoldsData() const;
  // An entry's address: initialized, 256-byte blocks, no reserved bit.
  bool HoldsEntry() const;
  // "data_1", "f_00000b".
  std::string FileName() const;
};

struct IndexHeader {
  uint32_t Version = 0;
  int32_t EntryCount = 0;
  int32_t LastFile = 0;
  uint32_t TableLength = 0;  // 0 on disk already replaced by the default
  uint64_t CreateTime = 0;   // microseconds since 1601
  int64_t ByteCount = 0;     // version 3's 64-bit count, else version 2's 32-bit one
  int32_t Crash = 0;
};

struct BlockFileHeader {
  uint32_t Version = 0;
  int16_t ThisFile = 0;
  int16_t NextFile = 0;
  int32_t EntrySize = 0;
  int32_t EntryCount = 0;
  int32_t MaxEntries = 0;
};

struct EntryStore {
  uint32_t Hash = 0;
  Addr Next;
  Addr RankingsNode;
  int32_t ReuseCount = 0;
  int32_t RefetchCount = 0;
  int32_t State = 0;
  uint64_t CreationTime = 0;  // microseconds since 1601
  int32_t KeyLength = 0;
  Addr LongKey;
  std::array<int32_t, StreamCount> DataSize{};
  std::array<Addr, StreamCount> DataAddr{};
  uint32_t Flags = 0;
  uint32_t SelfHash = 0;
};

struct SparseHeader {
  int64_t Signature = 0;
  int32_t ParentKeyLength = 0;
  int32_t LastBlock = -1;  // a partly written 1 KiB block of a child, or -1
  int32_t LastBlockLength = 0;
};

// The first 368 bytes of `index`: nullopt for a wrong magic, an unknown version or a
// table length that is not a power of two up to MaxTableLength.
std::optional<IndexHeader> ParseIndexHeader(std::span<const std::byte> bytes);
// The first bytes (28 or more) of a block file: nullopt for a wrong magic or a block
// size that is not positive.
std::optional<BlockFileHeader> ParseBlockFileHeader(std::span<const std::byte> bytes);
// 256 bytes or more of an entry; the key bytes are not read here.
std::optional<EntryStore> ParseEntryStore(std::span<const std::byte> bytes);
// A parent's or child's stream 2 (64 bytes or more): nullopt for a wrong magic.
std::optional<SparseHeader> ParseSparseHeader(std::span<const std::byte> bytes);

// "data_N", the name of block file N.
std::string BlockFileName(uint32_t fileNumber);

// Where `length` bytes of data at `addr` lie: the file and the offset in it. nullopt for
// an address that cannot hold data or blocks too few for the length.
struct DataPlace {
  std::string File;
  uint64_t Offset = 0;
};
std::optional<DataPlace> PlaceData(Addr addr, uint64_t length);

}  // namespace ChromiumBlockfile
