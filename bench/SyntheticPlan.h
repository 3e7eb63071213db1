#pragma once

// What a synthetic browser cache holds, decided before a byte is written: every
// entry's URL, content type, size, time and content identity. The same shape and
// seed always give the same plan, so every format's generator writes the same mix
// and two runs of a benchmark measure the same work.

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::bench {

// Where an entry's data would lie in a Firefox v1 cache; the URL cache keeps every
// entry in a file of its own but follows the same sizes.
enum class EntryCategory {
  TinyImage,  // identical-size 1x1 GIFs (block file 1)
  Small,      // up to 1 KiB (block file 1)
  Medium,     // up to 4 KiB (block file 2)
  Large,      // up to 16 KiB (block file 3)
  Separate,   // a file of its own, SeparateMin..SeparateMax bytes
};

struct PlanShape {
  uint32_t Entries = 50'000;
  uint64_t Seed = 1;
  // Shares of all entries; the large share is what the others leave.
  double TinyShare = 0.30;
  double SmallShare = 0.35;
  double MediumShare = 0.20;
  double SeparateShare = 0.10;
  // Share of each category whose content repeats an earlier entry's bytes.
  double DuplicateShare = 0.20;
  // Share of all entries stored with a Content-Encoding (text kinds only).
  double CompressedShare = 0.0;
  uint32_t SeparateMin = 1024;
  uint32_t SeparateMax = 2u << 20;
};

struct PlannedEntry {
  uint32_t Position = 0;  // place in the plan
  EntryCategory Category = EntryCategory::Small;
  std::string Url;
  std::string ContentType;
  uint32_t Size = 0;
  uint32_t Time = 0;  // seconds since 1970
  // Entries with equal content numbers hold equal bytes; the first of them is the
  // original, the others are duplicates.
  uint32_t Content = 0;
  bool Duplicate = false;
  bool Text = false;        // text content (compresses), else binary
  bool Compressed = false;  // stored encoded (formats that support it)
};

struct SyntheticPlan {
  PlanShape Shape;
  std::vector<PlannedEntry> Entries;

  uint64_t DataBytes() const;
  uint32_t CountDuplicates() const;
  uint32_t CountCategory(EntryCategory category) const;
};

inline constexpr uint32_t kTinyImageSize = 43;

SyntheticPlan MakePlan(const PlanShape& shape);

// The extension a URL of this content type ends in.
std::string ExtensionFor(const std::string& contentType);

}  // namespace vorlane::bench
