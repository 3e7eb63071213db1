#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The non-cryptographic digest of a file's bytes that the duplicate index keys files
// by (a match is always confirmed byte for byte). Fed in pieces of any size, it gives
// the same value as over the whole bytes at once, so it can run over a copy as its
// bytes pass. Pure.
class ContentDigest {
 public:
  void Update(std::span<const std::byte> bytes);
  // The digest of everything fed so far (their number included).
  uint64_t Finish() const;

 private:
  void Word(uint64_t word);

  uint64_t Hash = 0x243F6A8885A308D3ull;
  uint64_t Length = 0;
  std::array<std::byte, 8> Pending{};
  size_t PendingCount = 0;
};
