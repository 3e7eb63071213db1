#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "SplitMix64.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// The bytes of one planned entry, produced front to back in pieces, so a generator
// can write a 2 MiB file without holding it. Entries with the same content number
// get the same bytes; different content numbers always differ in their first bytes.
// Tiny images are real 1x1 GIFs, text kinds are words (they compress like text),
// everything else is random bytes.
class ContentStream {
 public:
  ContentStream(const PlannedEntry& entry, uint64_t planSeed);

  // Fills the front of `buffer`; returns the bytes given, 0 at the end.
  size_t Read(std::span<char> buffer);
  uint64_t Remaining() const { return Left; }

  // All the bytes at once (for entries small enough to hold).
  static std::string All(const PlannedEntry& entry, uint64_t planSeed);

 private:
  void Refill();

  const PlannedEntry& Entry;
  SplitMix64 Random;
  uint64_t Left;
  bool Started = false;
  std::string Carry;
  size_t CarryPos = 0;
};

}  // namespace vorlane::bench
