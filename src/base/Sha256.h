#pragma once

// SHA-256 (FIPS 180-4), for the digests a capture report lists.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class Sha256 {
 public:
  Sha256();
  void Update(std::span<const std::byte> bytes);
  std::array<uint8_t, 32> Finish();
  // Lower-case hex of a digest.
  static std::string Hex(const std::array<uint8_t, 32>& digest);

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> State;
  std::array<uint8_t, 64> Pending{};
  size_t PendingBytes = 0;
  uint64_t TotalBytes = 0;
};
