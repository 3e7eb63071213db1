#pragma once

// The index file of the URL cache (index.dat) that Internet Explorer and Wine's WinINet
// write: a pure parser over its bytes, no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Who wrote the index: Internet Explorer, or Wine's WinINet (same layout).
enum class UrlCacheFlavour { InternetExplorer, Wine };

// One URL record as the index stores it. Strings are the index's own bytes.
struct UrlCacheRecord {
  uint32_t Offset = 0;            // where the record starts in the index
  std::string Url;                //
  std::string FileName;           // name inside its cache directory; "" for none
  uint8_t DirectoryIndex = 0;     // into the directory table; 0xFE = the folder itself
  uint32_t EntryType = 0;         // cache entry type flags
  uint64_t Size = 0;              // size of the cached file
  uint64_t LastModifiedTime = 0;  // FILETIME (the server's modification time)
  uint64_t LastAccessTime = 0;    // FILETIME
  uint64_t ExpireTime = 0;        // FILETIME, from a FAT date and time
  uint64_t LastSyncTime = 0;      // FILETIME, from a FAT date and time
  bool HasHeaderInfo = false;
  std::string HeaderInfo;  // up to its first NUL
};

// A parser over the bytes of an index file; it never reads past them and keeps
// no copy, so the bytes must outlive it. The walk follows the chain of HASH
// tables and yields each URL record they point to once.
class UrlCacheIndex {
 public:
  // Bigger files are refused before they are read.
  static constexpr uint64_t MaxFileSize = uint64_t{256} << 20;
  // Records never span more than this; larger block counts are damage.
  static constexpr uint32_t MaxRecordSize = uint32_t{1} << 20;
  static constexpr uint8_t NoSubdirectory = 0xFE;

  // Null when the bytes do not begin with a known index header.
  static std::optional<UrlCacheIndex> Parse(std::span<const std::byte> bytes);

  UrlCacheFlavour Flavour() const { return Writer; }
  // Directory names in table order; "" for a name that cannot serve as a folder.
  const std::vector<std::string>& Directories() const { return DirectoryNames; }

  // The next URL record, or null when the walk has ended. Damaged records are
  // skipped; a damaged hash table ends the walk.
  std::optional<UrlCacheRecord> NextRecord();
  // Starts the walk again from the first hash table.
  void Rewind();

 private:
  explicit UrlCacheIndex(std::span<const std::byte> bytes) : Bytes(bytes) {}
  bool EnterTable(uint32_t offset);

  std::span<const std::byte> Bytes;
  UrlCacheFlavour Writer = UrlCacheFlavour::InternetExplorer;
  std::vector<std::string> DirectoryNames;
  uint32_t FirstTable = 0;

  // Walk state.
  uint32_t Table = 0;       // offset of the current table; 0 when the walk ended
  uint32_t ItemCount = 0;   // items of the current table
  uint32_t ItemIndex = 0;   // next item to look at
  uint64_t ItemBudget = 0;  // items left for the whole walk
  std::vector<uint32_t> VisitedTables;
  std::vector<bool> SeenRecords;  // by 128-byte block, so no record comes twice
};

// A URL record at `offset`, or null when there is none or it is damaged.
std::optional<UrlCacheRecord> ParseUrlRecord(std::span<const std::byte> bytes, uint32_t offset);

// True when `name` can serve as one path component: not empty, not "." or "..",
// no separator of either system and no control character. Names from the index
// are joined to the cache folder, and must not lead out of it.
bool IsPlainName(std::string_view name);

// FAT date (low 16 bits) and time (high 16 bits), taken as UTC, to a FILETIME;
// 0 for zero or an impossible date.
uint64_t FatDateTimeToFileTime(uint32_t fatDateTime);
