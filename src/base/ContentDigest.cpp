#include "base/ContentDigest.h"

#include <cstring>

void ContentDigest::Word(uint64_t word) {
  Hash = (Hash ^ word) * 0x9E3779B97F4A7C15ull;
  Hash ^= Hash >> 29;
}

void ContentDigest::Update(std::span<const std::byte> bytes) {
  Length += bytes.size();
  size_t i = 0;
  // Whole 8-byte words across the pieces: the value does not depend on how the bytes
  // were cut.
  while (PendingCount > 0 && i < bytes.size()) {
    Pending[PendingCount++] = bytes[i++];
    if (PendingCount == Pending.size()) {
      uint64_t word;
      std::memcpy(&word, Pending.data(), 8);
      Word(word);
      PendingCount = 0;
    }
  }
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    Word(word);
  }
  for (; i < bytes.size(); ++i) Pending[PendingCount++] = bytes[i];
}

uint64_t ContentDigest::Finish() const {
  // The last bytes that make no whole word, one at a time.
  uint64_t hash = Hash;
  for (size_t i = 0; i < PendingCount; ++i) {
    hash = (hash ^ std::to_integer<uint64_t>(Pending[i])) * 0x100000001B3ull;
  }
  return (hash ^ Length) * 0x9E3779B97F4A7C15ull;
}
