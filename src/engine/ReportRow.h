#pragma once

#include <cstdint>
#include <string>

#include "sources/CCacheBrowser.h"

// One row of a capture report: an entry that was saved, skipped as a duplicate, or
// could not be read.
struct ReportRow {
  std::string Url, Site, Partition, SavedPath, Kind, MimeType, Encoding;
  uint64_t StoredSize = 0;
  uint64_t SavedSize = 0;
  int64_t Time = 0;
  std::string Sha256;   // of the saved bytes
  std::string Outcome;  // "saved", "duplicate" (SavedPath: the equal file), "unreadable",
                        // "would be saved" (a dry run)
};

// The row of an entry; for a saved file, with the SHA-256 of the bytes on disk.
ReportRow MakeReportRow(const CCacheBrowser::CCacheElement& entry, std::string savedPath,
                        uint64_t savedSize, std::string outcome);
