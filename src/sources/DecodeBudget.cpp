#include "sources/DecodeBudget.h"

#include <algorithm>

namespace {

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

uint64_t SaturatingTimes(uint64_t a, uint64_t factor) {
  return a > UINT64_MAX / factor ? UINT64_MAX : a * factor;
}

}  // namespace

uint64_t DecodeBudget::Allow(uint64_t storedSize, std::optional<uint64_t> freeSpace) const {
  const uint64_t earned =
      SaturatingAdd(Allowance, SaturatingTimes(SaturatingAdd(Stored, storedSize), Ratio));
  uint64_t allowed = earned > Decoded ? earned - Decoded : 0;
  if (freeSpace) allowed = std::min(allowed, *freeSpace > SpareSpace ? *freeSpace - SpareSpace : 0);
  return allowed;
}

void DecodeBudget::Spend(uint64_t storedSize, uint64_t decodedSize) {
  Stored = SaturatingAdd(Stored, storedSize);
  Decoded = SaturatingAdd(Decoded, decodedSize);
}
