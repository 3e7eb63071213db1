#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "sources/CCacheBrowser.h"

// The Firefox disk cache of Firefox 1.5 to 31, read from its own files without the
// browser: a map of records (hash of the key, data and metadata locations) and three
// block files for small items; larger items lie in separate files. The files are
// opened read-only and never changed.
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
  };

  CMozillaCache() = default;
  ~CMozillaCache() override;

  // True when the data lie in a block file ("_CACHE_00n_").
  bool IsPacked(const CCacheElement& entry) const override;
  std::string GetEntryFile(const CCacheElement& entry) const override;
  void Close() override;
  // Finds the cache folder when CachePath is empty, then opens the map and the three
  // block files. Throws the (silent) open error when one of them cannot be opened.
  void Open() override;
  void ReadEntries() override;
  // Packed data: exactly Size bytes from the entry's blocks (fewer when the block file
  // ends early). Separate file: its first Size bytes, since the browser pre-allocates.
  bool CopyEntry(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                 CopyOutcome& outcome) override;

  bool IsOpen() const { return Opened; }
  // Version word of the map read by the last ReadEntries; 0 before.
  uint32_t GetMapVersion() const { return MapVersion; }

 private:
  bool CopyPacked(const CMozillaCacheElement& entry, const std::string& destination,
                  bool failIfExists, CopyOutcome& outcome);
  bool CopySeparate(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                    CopyOutcome& outcome);

  // Map file, then block files 1 to 3.
  std::array<Platform::ReadOnlyFile, 4> Files;
  bool Opened = false;
  uint32_t MapVersion = 0;
};
