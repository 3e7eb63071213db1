#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "SyntheticPlan.h"
#include "sources/CCacheBrowser.h"

namespace vorlane::bench {

// What a generator wrote, for the figures (MB/s) and as a check on the capture.
struct GenerateSummary {
  uint64_t Entries = 0;
  uint64_t DataBytes = 0;  // the entries' data as the cache stores them
  uint64_t SeparateFiles = 0;
  uint64_t Duplicates = 0;
  uint64_t DecodedBytes = 0;  // stored-encoded entries' data once decoded
};

enum class GenerateResult { Written, Failed, Unavailable };

using GenerateFunction = GenerateResult (*)(const SyntheticPlan& plan, const std::string& folder,
                                            GenerateSummary& summary, std::string& message);

// One cache format the benchmark can build and capture.
struct CacheFormat {
  std::string_view Name;
  std::string_view Description;
  GenerateFunction Generate;
  // The registered cache format (sources/CacheFormats.h) whose source reads it.
  std::string_view SourceFormat;
  // Turns decoding of stored Content-Encoding on or off; null for a format whose
  // bodies are saved as stored.
  void (*SetDecoding)(CCacheBrowser& source, bool decode);
  double CompressedShare;
  // The judged ratio of a capture to `cp -r` of its output.
  double MaxFloorRatio = 2.0;

  // The registered format's source, reading `folder`.
  std::unique_ptr<CCacheBrowser> MakeSource(const std::string& folder) const;
};

std::span<const CacheFormat> AllFormats();
const CacheFormat* FindFormat(std::string_view name);

}  // namespace vorlane::bench
