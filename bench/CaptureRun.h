#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "CacheFormat.h"

namespace vorlane::bench {

// What the measured child process does: open a cache and load its entries and,
// unless only listing, capture them with one catch-all filter, One Copy and Skip
// Duplicates on. It runs in a process of its own so that its peak memory is the
// capture's alone.
struct CaptureRequest {
  const CacheFormat* Format = nullptr;
  std::string CacheFolder;
  std::string OutputFolder;
  bool ListOnly = false;
  std::optional<bool> Decode;  // formats with stored encodings only
};

// Prints "key value" lines to `out`: entries, data_bytes, list_seconds,
// save_seconds, capture_seconds, new_files, kept_bytes, cpu_seconds, peak_rss_kib. Returns the
// process exit code (0, or 2 when the cache cannot be opened or holds no entries, or
// the output folder cannot be made).
int RunCapture(const CaptureRequest& request, std::FILE* out, std::FILE* err);

}  // namespace vorlane::bench
