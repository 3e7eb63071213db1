#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sources/CCacheBrowser.h"

namespace vorlane::test {

// A cache source whose entries and bodies live in memory; copies write the body
// (created exclusively when asked), so passes can be checked on disk.
class MemorySource : public CCacheBrowser {
 public:
  struct Item {
    std::string Url;
    std::string Body;
    KindCode Kind = 0;
    int64_t Time = 0;
    int32_t Size = -1;  // -1: the body's length
    bool FailCopy = false;
    std::string Encoding = {};  // the stored Content-Encoding
  };

  explicit MemorySource(std::vector<Item> items = {}) : Items(std::move(items)) {}

  std::vector<Item> Items;
  int CopyCalls = 0;
  // Runs before every copy (a test can make files appear mid-pass).
  std::function<void()> BeforeCopy;

  std::string GetEntryFile(const CCacheElement& entry) const override { return entry.LocalFile; }
  void ReadEntries() override;
  bool CopyEntry(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                 CopyOutcome& outcome) override;
};

}  // namespace vorlane::test
