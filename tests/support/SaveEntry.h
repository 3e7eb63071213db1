#pragma once

#include <cstdint>
#include <string>

#include "sources/CCacheBrowser.h"

namespace vorlane::test {

struct SaveResult {
  bool Saved = false;
  bool Existed = false;  // the name was taken; nothing was replaced
  bool Decoded = false;
  uint64_t BytesWritten = 0;
  CCacheBrowser::WriteResult Result = CCacheBrowser::WriteResult::Written;
};

// Saves one entry the way a capture pass does: its body into a hidden temporary beside
// `destination`, then committed to that name without ever replacing a file.
SaveResult SaveEntryAs(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
                       const std::string& destination);

}  // namespace vorlane::test

namespace vorlane::test {

// SaveEntryAs as a yes/no, with the details in `result` when given.
bool SaveEntry(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
               const std::string& destination, SaveResult* result = nullptr);

}  // namespace vorlane::test
