#pragma once

#include <cstdint>

namespace vorlane::bench {

// A small, fast generator whose sequence is fixed by its seed on every platform,
// unlike the standard distributions, whose results the library may choose.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : State(seed) {}

  uint64_t Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // A number in [low, high]; the modulo bias is far below what a benchmark notices.
  uint64_t Between(uint64_t low, uint64_t high) { return low + Next() % (high - low + 1); }

  // A number in [0, 1).
  double Fraction() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  uint64_t State;
};

}  // namespace vorlane::bench
