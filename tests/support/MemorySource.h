#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/OutputFile.h"
#include "sources/CCacheBrowser.h"
#include "support/TestSupport.h"

namespace vorlane::test {

// A cache source whose entries are given in memory; their bodies are kept in files of
// a folder of its own, so passes can be checked on disk.
class MemorySource : public CCacheBrowser {
 public:
  struct Item {
    std::string Url;
    std::string Body;
    KindCode Kind = 0;
    int64_t Time = 0;
    int64_t Size = -1;  // -1: the body's length
    bool FailCopy = false;
    std::string Encoding = {};  // the stored Content-Encoding
    std::string Disposition = {};
    std::string LastModified = {};
    std::string Date = {};
    bool Incomplete = false;  // the cache holds only part of the body
  };

  explicit MemorySource(std::vector<Item> items = {});

  std::vector<Item> Items;
  // Bodies written out of the cache (decoded or not).
  int CopyCalls = 0;
  // Runs before every write (a test can make files appear mid-pass).
  std::function<void()> BeforeCopy;
  // The file that holds an entry's body, for a test that changes it.
  std::string BodyFile(size_t index) const;

  std::string GetEntryFile(const CCacheElement& entry) const override { return entry.LocalFile; }
  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override;
  void ReadEntries() override;
  WriteOutcome WriteEntry(const CCacheElement& entry, const EntryContent& content,
                          Platform::OutputFile& out) override;

 private:
  std::shared_ptr<TempDir> Bodies;
};

}  // namespace vorlane::test
