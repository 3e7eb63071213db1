#pragma once

// Saves one entry the way a capture pass does (a temporary in `folder`, then its name),
// for fuzz targets that drive a source end to end.

#include <optional>
#include <string>

#include "platform/OutputFile.h"
#include "sources/CCacheBrowser.h"

struct FuzzSaved {
  uint64_t BytesWritten = 0;
  bool Decoded = false;
};

inline std::optional<FuzzSaved> FuzzSave(CCacheBrowser& source,
                                         const CCacheBrowser::CCacheElement& entry,
                                         const std::string& folder, const std::string& name) {
  const std::optional<EntryContent> content = source.OpenContent(entry);
  if (!content) return std::nullopt;
  Platform::OutputFile out;
  if (!out.Create(folder)) return std::nullopt;
  const CCacheBrowser::WriteOutcome written = source.WriteEntry(entry, *content, out);
  if (written.Result != CCacheBrowser::WriteResult::Written || !out.Finish()) return std::nullopt;
  if (out.Commit(name) != Platform::CommitResult::Committed) return std::nullopt;
  return FuzzSaved{out.BytesWritten(), written.Decoded};
}
