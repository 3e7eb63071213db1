#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "sources/CCacheBrowser.h"

// The Firefox disk cache, read from its own files without the browser, in either of
// its formats: the one of Firefox 1.5 to 31 (a map of records, three block files for
// small items, separate files for larger ones) and "cache2" of Firefox 32 on (one
// file per entry in entries/). Open picks the format from what the folder holds. The
// files are opened read-only and never changed.
class CMozillaCache : public CCacheBrowser {
 public:
  struct CMozillaCacheElement : CCacheElement {
    // The nine big-endian words at the start of the metadata, in host order: word 4
    // is the entry's time, word 6 its data size, words 7 and 8 the key and metadata
    // sizes.
    std::array<uint32_t, 9> EntryHeader{};
    uint8_t KeyLeadByte = 0;
    int32_t MetaFile = 0;    // 0 = separate metadata file, 1..3 = block file
    int32_t DataFile = 0;    // 0 = separate data file, 1..3 = block file
    int32_t DataOffset = 0;  // in block file DataFile
    int32_t DataLength = 0;  // bytes allotted there (whole blocks)
    std::string Server;
    std::string AcceptRanges;
    std::string ETag;
    // cache2: the origin attributes of the key (partition key, container...), as
    // stored without their '^'; empty for most entries.
    std::string Partition;
  };

  enum class Format { None, MapAndBlocks, Cache2 };

  CMozillaCache() = default;
  ~CMozillaCache() override;

  // True when the data lie in a block file ("_CACHE_00n_") or in a cache2 entry file,
  // where the metadata follow them: both must be extracted, not copied whole.
  bool IsPacked(const CCacheElement& entry) const override;
  std::string GetEntryFile(const CCacheElement& entry) const override;
  // The same bytes CopyEntry takes: the entry's blocks, or its separate file's first
  // Size bytes.
  std::optional<EntryBytes> LocateEntryBytes(const CCacheElement& entry) const override;
  void Close() override;
  // Finds the cache folder when CachePath is empty. A folder with entries/ and no
  // _CACHE_MAP_ is a cache2 cache, checked for a readable entries/ folder; any other
  // opens the map and the three block files. Throws the (silent) open error when that
  // fails.
  void Open() override;
  // Map records in bucket order, or cache2 entry files in name order; damaged entries
  // are skipped.
  void ReadEntries() override;
  // Packed data: exactly Size bytes from the entry's blocks (fewer when the block file
  // ends early). Separate file or cache2 entry file: its first Size bytes, since the
  // browser pre-allocates separate files and cache2 puts the metadata after the data.
  bool CopyEntry(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                 CopyOutcome& outcome) override;

  bool IsOpen() const { return Opened; }
  // The format found by the last successful Open; None while closed.
  Format GetFormat() const { return OpenFormat; }
  // Version word of the map read by the last ReadEntries; 0 before.
  uint32_t GetMapVersion() const { return MapVersion; }

 private:
  bool CopyPacked(const CMozillaCacheElement& entry, const std::string& destination,
                  bool failIfExists, CopyOutcome& outcome);
  bool CopySeparate(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                    CopyOutcome& outcome);
  void ReadMapEntries();
  void ReadCache2Entries();

  // Map file, then block files 1 to 3.
  std::array<Platform::ReadOnlyFile, 4> Files;
  Platform::OpenFolder Cache2Entries;
  bool Opened = false;
  Format OpenFormat = Format::None;
  uint32_t MapVersion = 0;
};
