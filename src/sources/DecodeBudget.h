#pragma once

#include <cstdint>
#include <optional>

// How many decoded bytes a capture may still write. Each body is capped on its own
// (ContentDecoder::DecodedSizeCap), but many small bombs would each stay under that
// cap: the whole pass may write at most Ratio times the stored bytes of the bodies it
// decodes plus a fixed allowance, and never into the last SpareSpace bytes of the
// destination's free space. A body over the budget is saved as stored. Pure.
class DecodeBudget {
 public:
  static constexpr uint64_t Ratio = 16;
  static constexpr uint64_t DefaultAllowance = uint64_t{128} << 20;
  static constexpr uint64_t SpareSpace = uint64_t{64} << 20;

  explicit DecodeBudget(uint64_t allowance = DefaultAllowance) : Allowance(allowance) {}

  // Decoded bytes the next body of `storedSize` may write, given the free space of its
  // folder (nullopt when the system cannot tell).
  uint64_t Allow(uint64_t storedSize, std::optional<uint64_t> freeSpace) const;
  // Books a decoded body.
  void Spend(uint64_t storedSize, uint64_t decodedSize);
  uint64_t DecodedSoFar() const { return Decoded; }

 private:
  uint64_t Allowance;
  uint64_t Stored = 0;
  uint64_t Decoded = 0;
};
