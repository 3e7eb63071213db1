#pragma once

#include <cstdint>
#include <string>

namespace vorlane::bench {

struct RunOptions {
  std::string Format;
  uint32_t Entries = 50'000;
  uint32_t Repeat = 5;
  uint64_t Seed = 1;
  // Caches, outputs and the copies of the floor all go below this folder, so they
  // share one file system.
  std::string WorkFolder;
  bool Doubling = false;  // also capture a cache of half the entries
  bool Keep = false;      // leave the generated caches in place
  std::string Self;       // this program, started again for every measured step
};

// Targets; times are judged only as ratios to a baseline measured in the same run.
inline constexpr double kMaxDoublingRatio = 2.3;
inline constexpr double kMaxPeakResidentBytes = 100e6;
inline constexpr double kListingEntriesPerSecond = 200'000;

// Generates the format's cache(s), measures and prints the figures. Returns 0 when
// the judged targets are met (or the format is unavailable and skipped), 1 when one
// is missed, 2 when the benchmark itself failed.
int RunBenchmark(const RunOptions& options);

}  // namespace vorlane::bench
