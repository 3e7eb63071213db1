#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/FolderRecord.h"
#include "engine/NameChooser.h"
#include "platform/OutputFile.h"
#include "sources/CCacheBrowser.h"

// One entry's copy in an output folder: written whole under a hidden temporary name,
// then given a fresh name by a rename that never replaces a file. A copy dropped
// before Commit leaves nothing behind.
class SavedCopy {
 public:
  // Writes the entry's bytes into a new temporary in `folder`. False when the cache
  // side failed (the entry cannot be read). A copy that cannot be written (no space, no
  // permission...) leaves as CError (module 1, code 11): every later entry would fail
  // the same way.
  // With `digest`, the bytes are hashed as they pass where that costs no second read
  // (see Digest).
  bool Write(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
             const EntryContent& content, const std::string& folder, bool digest = false);
  // The duplicate index's digest of the copy, when Write hashed every byte of it.
  std::optional<uint64_t> Digest() const { return Out.WrittenDigest(); }
  // The temporary's path until Commit, the saved file's after.
  const std::string& Path() const { return Out.Path(); }
  uint64_t Size() const { return Out.BytesWritten(); }
  // The copy is stored bytes where decoded ones were asked for: decoding them would have
  // gone over the capture's budget.
  bool NotDecoded() const { return LeftEncoded; }
  // Gives the copy the time the server gave its response (see ServerTime).
  void KeepServerTime(const CCacheBrowser::CCacheElement& entry);
  // Gives the copy the first name of `names` that is free on disk and returns it; a
  // name found taken there is marked taken in `folder`. CError (module 1, code 11)
  // when no name can be given.
  std::string Commit(NameChooser& names, FolderRecord& folder);

 private:
  Platform::OutputFile Out;
  bool LeftEncoded = false;
};

// The time a saved file gets with KeepServerTime: Last-Modified, else Date, else the
// entry's time.
std::optional<int64_t> ServerTime(const CCacheBrowser::CCacheElement& entry);
