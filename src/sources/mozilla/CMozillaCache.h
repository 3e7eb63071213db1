#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/CacheFiles.h"
#include "platform/Paths.h"
#include "sources/CCacheBrowser.h"
#include "sources/mozilla/CMozillaCacheElement.h"
#include "sources/mozilla/MozillaMap.h"

// The Firefox disk cache, read from its own files without the browser, in either of
// its formats: the one of Firefox 1.5 to 31 (a map of records, three block files for
// small items, separate files for larger ones) and "cache2" of Firefox 32 on (one
// file per entry in entries/). Open picks the format from what the folder holds. The
// files are opened read-only, never changed, and no link inside the folder is followed.
class CMozillaCache : public CCacheBrowser {
 public:
  using CMozillaCacheElement = ::CMozillaCacheElement;

  enum class Format { None, MapAndBlocks, Cache2 };

  // `places`: where the browser keeps its profiles, for a source without CachePath.
  explicit CMozillaCache(Platform::BrowserPlaces places = {});
  ~CMozillaCache() override;

  std::string GetEntryFile(const CCacheElement& entry) const override;
  // The entry's blocks (no more than allotted, nor than the block file holds), or the
  // first Size bytes of its separate file or cache2 entry file (the browser pre-allocates
  // separate files and cache2 puts the metadata after the data).
  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override;
  void Close() override;
  // Finds the cache folder when CachePath is empty. A folder with entries/ and no
  // _CACHE_MAP_ is a cache2 cache, checked for a readable entries/ folder; any other
  // opens the map and the three block files. Throws the open error when that fails.
  void Open() override;
  // Map records in bucket order, or cache2 entry files in name order; damaged entries
  // are skipped and counted.
  void ReadEntries() override;

  // cache2 only: the old format's map and block files are shared by every entry.
  bool SupportsLiveCapture() const override { return OpenFormat == Format::Cache2; }

  bool IsOpen() const { return Opened; }
  // The format found by the last successful Open; None while closed.
  Format GetFormat() const { return OpenFormat; }
  // Version word of the map read by the last ReadEntries; 0 before.
  uint32_t GetMapVersion() const { return MapVersion; }

 private:
  void ReadMapEntries();
  // The metadata bytes of a map record, read into one of the buffers; nullopt when
  // they cannot be read whole.
  std::optional<std::span<const std::byte>> ReadMetadata(const MozillaV1::MapRecord& record,
                                                         std::vector<std::byte>& blockBuffer,
                                                         std::vector<std::byte>& fileBuffer) const;
  void ReadCache2Entries();

  Platform::BrowserPlaces Places;
  Platform::OpenFolder Root;
  // Map file, then block files 1 to 3; shared with the contents handed out.
  std::array<std::shared_ptr<Platform::ReadOnlyFile>, 4> Files;
  Platform::OpenFolder Cache2Entries;
  bool Opened = false;
  Format OpenFormat = Format::None;
  uint32_t MapVersion = 0;
};
