#pragma once

// Reads cache2 entry files from disk for the pure parser in MozillaCache2.h.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/CacheFiles.h"
#include "sources/mozilla/CMozillaCacheElement.h"

namespace MozillaCache2 {

// The folder of a cache2 cache that holds the live entries; doomed/ and trash*/ hold
// entries on their way out and are never read.
inline constexpr const char* EntriesFolder = "entries";

// Names of the regular files in the open entries folder, sorted, so every listing of
// the same cache comes out in the same order. False when the folder cannot be read.
bool ListEntryFiles(const Platform::OpenFolder& entries, std::vector<std::string>& names);

// Bytes read from the end of an entry file at first: the trailer and, for nearly every
// entry, all of its metadata, so one read is enough.
inline constexpr size_t TailReadSize = 4096;

// What reading one entry file gave: the entry, or nothing with Damaged telling a file
// that could not be read or is no sound entry from one that is sound but not worth
// listing (no URL, no data).
struct ReadResult {
  std::unique_ptr<CMozillaCacheElement> Entry;
  bool Damaged = false;
};

// One open and one bounded read from the end of the file, a second only when the
// metadata do not fit in it. `buffer` is reused from entry to entry. LocalFile is left
// for the caller.
ReadResult ReadEntryFile(const Platform::OpenFolder& entries, const std::string& name,
                         std::vector<std::byte>& buffer);

// True when the data of an entry file match the chunk hashes its metadata keep (one
// read of the data): a file the browser is still writing does not.
bool ChunkHashesMatch(const Platform::ReadOnlyFile& file);

// Reads the named entry files; the result has one place per name. A large folder is
// read by a few threads at once: the time goes into opening files, which the system
// does in parallel.
std::vector<ReadResult> ReadEntryFiles(const Platform::OpenFolder& entries,
                                       const std::vector<std::string>& names);

}  // namespace MozillaCache2
