#pragma once

// Reads cache2 entry files from disk for the pure parser in MozillaCache2.h.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "sources/CMozillaCache.h"

namespace MozillaCache2 {

// The folder of a cache2 cache that holds the live entries; doomed/ and trash*/ hold
// entries on their way out and are never read.
inline constexpr const char* EntriesFolder = "entries";

// Names of the regular files in the entries folder, sorted, so every listing of the
// same cache comes out in the same order. False when the folder cannot be read.
bool ListEntryFiles(const std::string& entriesFolder, std::vector<std::string>& names);

// One open and two bounded reads: the last four bytes, then the metadata up to them.
// `buffer` is reused from entry to entry. nullptr when the file is not a sound entry
// or not one worth listing; LocalFile is left for the caller.
std::unique_ptr<CMozillaCache::CMozillaCacheElement> ReadEntryFile(const std::string& path,
                                                                   std::vector<std::byte>& buffer);

}  // namespace MozillaCache2
