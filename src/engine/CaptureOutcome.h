#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Why a cache entry gave no new file. Each entry that gave none counts once, for the
// furthest any filter got with it (one that matched and found a duplicate says more
// than one whose kind did not match).
enum class SkipReason : uint8_t {
  Duplicate,     // an equal file is already in the folder
  TooSmall,      // the kind matched, the size is below the filter's minimum
  TooFewPixels,  // smaller in width or height than the filter asks
  NoMatch,       // no enabled filter takes its kind or URL
  Unreadable,    // its body is missing, damaged or changed while read
  Incomplete,    // the cache holds only part of the body
  NoFolder,      // its folder (named by its site) could not be made
  OutsideTime,   // cached before the time asked for
  Count
};
inline constexpr size_t kSkipReasonCount = static_cast<size_t>(SkipReason::Count);

// What one capture pass counted.
struct PassCounts {
  int32_t NewFiles = 0;  // saved and kept (a dry run: would be)
  uint32_t Entries = 0;  // every entry the cache listed
  bool FiltersEnabled = true;
  std::array<uint32_t, kSkipReasonCount> Skipped{};
  uint32_t NotDecoded = 0;  // saved as stored: decoding would have gone over the budget

  uint32_t& operator[](SkipReason reason) { return Skipped[static_cast<size_t>(reason)]; }
  uint32_t operator[](SkipReason reason) const { return Skipped[static_cast<size_t>(reason)]; }
};

// How a capture job began.
enum class CaptureStart : uint8_t { OnCommand, BrowserClosed, CommandLine };

// What the last capture job did, for the front ends to tell.
struct CaptureOutcome {
  std::string Browser;  // its short name ("Chromium")
  CaptureStart Start = CaptureStart::OnCommand;
  bool DryRun = false;
  bool Finished = false;                  // the pass ran to its end (no failure, no stop)
  int64_t EndTime = 0;                    // seconds since 1970
  PassCounts Counts;                      // entries the cache could not list count as unreadable
  std::vector<std::string> CacheFolders;  // what the job read
};

// Why a capture saved nothing, in the interface language: "No new files: 8 already
// saved, 3 smaller than the filters ask, 2 matched no filter" (the reasons that
// occurred, most frequent first). "" when it saved files.
std::string NoNewFilesText(const PassCounts& counts);
