#pragma once

// Builds Firefox disk caches (map, block files, separate files) byte by byte, the way
// the browser lays them out, so tests and benchmarks can pin every rule of the reader
// without shipping caches. Deliberately independent of the reader's own code.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlane::test {

inline constexpr uint32_t kMozillaNestedVersion = 0x00010013;  // Firefox 4 to 31
inline constexpr uint32_t kMozillaFlatVersion = 0x0001000C;    // Firefox 3.x

// Bob Jenkins' lookup2 over the key (golden ratio, initial value 0): the browser's
// hash of a cache key, which also names the key's separate files.
uint32_t MozillaKeyHash(std::string_view key);

// Location words as the browser writes them (initialised bit set).
uint32_t MozillaBlockLocation(uint32_t file, uint32_t firstBlock, uint32_t blockCount);
uint32_t MozillaSeparateLocation(uint8_t generation, uint32_t sizeInKiB = 0);

// Path of a separate file relative to the cache folder.
std::string MozillaSeparatePath(uint32_t version, uint32_t hash, char kind, uint8_t generation);

struct MozillaMetadataSpec {
  std::string Key;
  // Name/value strings after the key, each written with its NUL.
  std::vector<std::pair<std::string, std::string>> Elements;
  uint32_t Time = 0;      // header word 4
  uint32_t DataSize = 0;  // header word 6
  uint32_t FetchCount = 1;
  std::optional<uint32_t> KeySize;   // header word 7; default: key + NUL
  std::optional<uint32_t> MetaSize;  // header word 8; default: the strings
};

// Header words, key, NUL and strings: the meaningful bytes of an entry's metadata.
std::string MozillaMetadataBytes(const MozillaMetadataSpec& spec,
                                 uint32_t version = kMozillaNestedVersion);

struct MozillaV1Item {
  MozillaV1Item() = default;
  MozillaV1Item(std::string url, std::string data) : Url(std::move(url)), Data(std::move(data)) {}

  MozillaV1Item& WithKey(std::string key) { return Key = std::move(key), *this; }
  MozillaV1Item& WithHead(std::string head) { return ResponseHead = std::move(head), *this; }
  MozillaV1Item& WithTime(uint32_t time) { return Time = time, *this; }
  MozillaV1Item& WithDataSize(uint32_t size) { return DataSize = size, *this; }
  MozillaV1Item& InDataFile(int file) { return DataFile = file, *this; }
  MozillaV1Item& InMetaFile(int file) { return MetaFile = file, *this; }
  MozillaV1Item& WithHash(uint32_t hash) { return Hash = hash, *this; }
  MozillaV1Item& WithDataGeneration(uint8_t g) { return DataGeneration = g, *this; }
  MozillaV1Item& WithMetaGeneration(uint8_t g) { return MetaGeneration = g, *this; }
  MozillaV1Item& WithPadding(std::string bytes) {
    return SeparatePadding = std::move(bytes), *this;
  }

  std::string Url;                                   // the key is "HTTP:" + Url
  std::optional<std::string> Key;                    // unless given here
  std::string ResponseHead = "HTTP/1.1 200 OK\r\n";  // empty: no response-head string
  std::string Data;
  uint32_t Time = 0;
  std::optional<uint32_t> DataSize;  // header word 6; default Data.size()
  int DataFile = -1;                 // -1: by size, as the browser does; 0: separate; 1..3
  int MetaFile = -1;
  std::optional<uint32_t> Hash;  // default MozillaKeyHash(key)
  uint8_t DataGeneration = 1;
  uint8_t MetaGeneration = 1;
  std::string SeparatePadding;  // pre-allocated bytes after a separate file's data
};

struct MozillaV1Record {
  uint32_t Hash = 0;
  uint32_t DataLocation = 0;
  uint32_t MetaLocation = 0;
};

class MozillaV1Writer {
 public:
  // `recordCount` must be a multiple of 32 (records per bucket = recordCount / 32).
  explicit MozillaV1Writer(uint32_t version = kMozillaNestedVersion, uint32_t recordCount = 512);

  uint32_t Version() const { return MapVersion; }

  // Stores the item's metadata and data where the browser would and adds a live record.
  MozillaV1Record Add(const MozillaV1Item& item);

  // Block file (1..3) the browser picks for this many bytes; 0 = a separate file.
  static uint32_t FileForSize(size_t size);
  // Puts bytes into consecutive fresh blocks of a block file; returns the location word.
  uint32_t PlaceBlocks(uint32_t file, std::string_view bytes);
  // Puts bytes at a given block, overwriting whatever is there.
  void PutBlockBytes(uint32_t file, uint32_t block, std::string_view bytes);
  void PutSeparateFile(uint32_t hash, char kind, uint8_t generation, std::string bytes);

  // A live record in bucket hash & 31.
  void AddRecord(const MozillaV1Record& record);
  // A record stored after the live ones of its bucket, beyond the bucket's usage.
  void AddDeadRecord(const MozillaV1Record& record);
  // Overrides the usage count written for a bucket.
  void SetBucketUsage(uint32_t bucket, uint32_t usage);
  // Overrides the record count written into the header.
  void SetHeaderRecordCount(int32_t count) { HeaderRecordCount = count; }
  // Writes only the header, as a browser that was killed leaves the map.
  void SetHeaderOnly(bool headerOnly) { HeaderOnly = headerOnly; }

  std::string MapBytes() const;
  const std::string& BlockFileBytes(uint32_t file) const { return BlockFiles.at(file - 1); }
  size_t BlockFileSize(uint32_t file) const;

  // Writes _CACHE_MAP_, the three block files and the separate files into `folder`
  // (created when missing). False when a file cannot be written.
  bool Write(const std::string& folder) const;
  bool WriteMap(const std::string& folder) const;

 private:
  uint32_t MapVersion;
  uint32_t RecordCount;
  std::optional<int32_t> HeaderRecordCount;
  bool HeaderOnly = false;
  std::array<std::vector<MozillaV1Record>, 32> Live;
  std::array<std::vector<MozillaV1Record>, 32> Dead;
  std::map<uint32_t, uint32_t> UsageOverride;
  std::array<std::string, 3> BlockFiles;
  std::array<uint32_t, 3> NextBlock{};
  std::map<std::string, std::string> SeparateFiles;
};

}  // namespace vorlane::test
