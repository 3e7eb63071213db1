#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "sources/CCacheBrowser.h"

namespace vorlane::test {

// A cache whose Open waits until the test releases its gate, then offers `entryCount`
// JPEG entries of 100 bytes each, each with bytes of its own, kept in `folder`. A capture
// of it is busy for as long as the test wants.
class GatedSource : public CCacheBrowser {
 public:
  struct Gate {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Open = false;
    std::atomic<bool> Waiting{false};
    void Release();
  };

  // The entries were cached at `time` (seconds since 1970).
  GatedSource(std::shared_ptr<Gate> gate, std::string folder, int entryCount, int64_t time = 1000);
  std::string GetEntryFile(const CCacheElement& entry) const override;
  void Open() override;
  void ReadEntries() override;
  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override;

 private:
  std::shared_ptr<Gate> TheGate;
  int EntryCount;
  int64_t Time;
};

}  // namespace vorlane::test
