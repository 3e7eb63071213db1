#pragma once

// Builds URL cache index files (index.dat) for tests and benchmarks, in the layout
// Internet Explorer and Wine write: a header with the directory table and the
// allocation bitmap, a chain of HASH tables, then URL, REDR and LEAK records in
// 128-byte blocks. No test framework is needed to use it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::test {

class UrlCacheIndexWriter {
 public:
  enum class Signature { InternetExplorer, Wine2012, Wine2005 };

  struct UrlItem {
    std::string Url;
    std::string FileName;  // empty: the record names no file
    uint8_t DirectoryIndex = 0;
    uint32_t EntryType = 0x00000041;
    uint64_t Size = 0;
    uint64_t LastModifiedTime = 0;  // FILETIME
    uint64_t LastAccessTime = 0;    // FILETIME
    uint32_t ExpireFat = 0;         // FAT date (low half) and time (high half)
    uint32_t LastSyncFat = 0;
    std::optional<std::string> HeaderInfo;  // stored with a NUL after it
    // How the record appears in the hash tables: flag bits of its key, or not at all.
    uint32_t HashFlags = 0;
    bool Listed = true;
  };

  // Where Build put things, for tests that damage the bytes afterwards.
  struct Layout {
    std::vector<uint32_t> HashTables;  // in chain order
    std::vector<uint32_t> Records;     // in the order they were added
  };

  explicit UrlCacheIndexWriter(Signature signature = Signature::InternetExplorer);

  void AddDirectory(std::string name);
  void AddUrl(UrlItem item);
  // A redirect record, listed with the redirect flag as the browser lists it.
  void AddRedirect(std::string url, uint32_t hashFlags = 5);
  // A leaked record: normally in no hash table.
  void AddLeak(std::string fileName, bool listed = false);
  // Items per HASH table before the next table of the chain starts.
  void SetItemsPerTable(uint32_t count) { ItemsPerTable = count; }

  std::string Build(Layout* layout = nullptr) const;
  // Writes the index file, creating its folder; false on failure.
  bool WriteTo(const std::string& path, Layout* layout = nullptr) const;

  static uint32_t FatDateTime(int year, int month, int day, int hour, int minute, int second);
  static uint64_t FileTime(int64_t unixSeconds);

 private:
  enum class Kind { Url, Redirect, Leak };
  struct Record {
    Kind Type;
    UrlItem Item;
  };

  std::string RecordBytes(const Record& record) const;

  Signature Format;
  uint32_t ItemsPerTable;
  std::vector<std::string> Directories;
  std::vector<Record> Records;
};

}  // namespace vorlane::test
