#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "sources/CCacheBrowser.h"
#include "sources/chromium/ChromiumBodyPiece.h"

// The disk cache of a Chromium-family browser (Chrome, Chromium, Edge, Brave, Opera,
// Vivaldi and apps built on it), read from its own files without the browser, in either
// backend: the simple cache (one file per entry, Linux and macOS) and the blockfile
// cache (an index and block files, Windows). One source reads every profile's cache of
// a browser. The files are opened read-only, never changed, and no link inside a cache
// folder is followed.
class CChromiumCache : public CCacheBrowser {
 public:
  struct CChromiumCacheElement : CCacheElement {
    size_t Folder = 0;  // which of the cache folders
    // Where the body lies, in body order; several pieces for a body stored in ranges.
    std::vector<Chromium::BodyPiece> Pieces;
    // Of an incomplete body, the bytes that are there.
    uint64_t PresentBytes = 0;
  };

  enum class Backend { Simple, Blockfile };

  // `places`: where the browser keeps its profiles, for a source without CachePath.
  explicit CChromiumCache(Platform::BrowserPlaces places = {});
  ~CChromiumCache() override;

  std::string GetEntryFile(const CCacheElement& entry) const override;
  // The body's pieces; nothing for an incomplete body or one whose files do not hold
  // what the cache says they hold.
  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override;
  // CachePath, when set, names one cache (its Cache_Data folder, Cache or the profile
  // folder); else every profile's cache in its places. Throws the open error, with where
  // it looked, when there is none.
  void Open() override;
  void Close() override;
  // Entries of every cache folder, each folder in a fixed order (file names or index
  // walk); damaged entries are counted, redirects and other bodiless entries left out.
  void ReadEntries() override;
  // The simple cache only: a blockfile cache shares its block files between entries.
  bool SupportsLiveCapture() const override;

  // The cache folders found by the last Open, and the backend of each.
  const std::vector<std::string>& GetCacheFolders() const { return FolderPaths; }
  std::vector<std::string> GetReadFolders() const override;
  Backend GetBackend(size_t folder) const;

 private:
  struct Folder;
  void ReadSimple(size_t index);
  // Throws CError when the blockfile index of `folder` (at `path`) cannot be walked.
  static void CheckBlockfileIndex(const Folder& folder, const std::string& path);
  void ReadBlockfile(size_t index);
  void AddEntry(size_t folder, const std::string& key, std::span<const std::byte> stream0,
                std::vector<Chromium::BodyPiece> pieces, bool sparse);

  Platform::BrowserPlaces Places;
  std::vector<std::string> FolderPaths;
  std::vector<std::unique_ptr<Folder>> Folders;
};
