#pragma once

// Reads a blockfile cache through a FileRangeFetch over its folder: the index header,
// a walk over the hash table that yields every entry once, and where each entry's
// streams lie. Stream 0 is the response info (ChromiumResponseInfo.h), stream 1 the
// body as received, stream 2 the sparse control data of range entries
// (ChromiumBlockfileSparse.h). Pure: all bytes come through the fetch.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/RangeFetch.h"
#include "sources/chromium/ChromiumBlockfile.h"
#include "sources/chromium/ChromiumBodyPiece.h"

namespace ChromiumBlockfile {

// Bounds that keep damage from turning into unbounded work or memory.
inline constexpr size_t MaxWalkEntries = 1u << 22;
inline constexpr int32_t MaxKeyLength = 1 << 20;
// The hash table is read in pieces of this many bytes.
inline constexpr size_t TableReadSize = 1u << 16;

struct Entry {
  Addr Address;
  uint32_t Bucket = 0;
  EntryStore Store;
  std::string Key;

  EntryState State() const { return static_cast<EntryState>(Store.State); }
  bool IsParent() const { return (Store.Flags & ParentEntryFlag) != 0; }
  bool IsChild() const { return (Store.Flags & ChildEntryFlag) != 0; }
};

struct WalkStats {
  size_t Damaged = 0;      // entries that could not be read, belong to another bucket or whose
                           // key is unreadable; the walk goes on with the next sound link
  size_t Doomed = 0;       // entries marked for deletion, skipped
  size_t Loops = 0;        // chains that came back to an entry already seen
  bool Truncated = false;  // MaxWalkEntries stopped the walk
};

struct Walk {
  IndexHeader Header;
  // Buckets in table order, each chain in its order; normal and evicted entries.
  std::vector<Entry> Entries;
  WalkStats Stats;
};

class Reader {
 public:
  explicit Reader(Bytes::FileRangeFetch fetch) : Fetch(std::move(fetch)) {}

  // The index header; nullopt when `index` is missing or not a blockfile index.
  std::optional<IndexHeader> ReadHeader() const;
  // nullopt when the index header or its hash table cannot be read. An entry is taken
  // once however many links lead to it.
  std::optional<Walk> WalkEntries();

  // Where stream `stream` (0-3) of an entry lies; Length 0 and no file for an empty
  // stream. nullopt for a negative size, an address that cannot hold the data or a
  // block file whose header does not fit the address. External files are not opened:
  // their length is for the copy to check.
  std::optional<Chromium::BodyPiece> LocateStream(const EntryStore& entry, int stream);
  // The stream's bytes, when it holds at most `maxLength` of them.
  std::optional<std::vector<std::byte>> ReadStream(const EntryStore& entry, int stream,
                                                   size_t maxLength);
  // `length` bytes at a block or external address (keys, streams).
  std::optional<Chromium::BodyPiece> Locate(Addr addr, uint64_t length);

  // True the first time a place is claimed. In a sound cache no two entries share the
  // bytes of a long key or a stream; a damaged one that makes thousands share one would
  // multiply those bytes in memory, so the second claim is refused (as damage). An empty
  // stream is always granted.
  bool Claim(Addr addr);
  bool ClaimStream(const EntryStore& entry, int stream);

 private:
  std::optional<BlockFileHeader> BlockHeader(uint32_t fileNumber);
  // An inline key is taken from `blocks` before anything else is fetched.
  std::optional<std::string> ReadKey(const EntryStore& store, std::span<const std::byte> blocks);

  Bytes::FileRangeFetch Fetch;
  std::map<uint32_t, std::optional<BlockFileHeader>> BlockHeaders;
  std::unordered_set<uint32_t> Claimed;
};

}  // namespace ChromiumBlockfile
