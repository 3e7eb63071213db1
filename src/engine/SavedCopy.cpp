#include "engine/SavedCopy.h"

#include "base/HttpDate.h"
#include "sources/CError.h"

namespace {

// Names already on disk are skipped one by one; a folder never holds this many.
constexpr int kMaxNameAttempts = 10'000'000;

}  // namespace

bool SavedCopy::Write(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
                      const EntryContent& content, const std::string& folder, bool digest) {
  if (!Out.Create(folder)) {
    throw CError(CError::FilterCache, CError::SaveFailed, folder, Out.FailureText());
  }
  if (digest) Out.DigestWrites();
  const CCacheBrowser::WriteOutcome written = source.WriteEntry(entry, content, Out);
  if (written.Result == CCacheBrowser::WriteResult::Unreadable) return false;
  LeftEncoded = written.NotDecoded;
  if (written.Result == CCacheBrowser::WriteResult::OutputFailed || !Out.Finish()) {
    const std::string reason = written.Reason.empty() ? Out.FailureText() : written.Reason;
    throw CError(CError::FilterCache, CError::SaveFailed, folder, reason);
  }
  return true;
}

void SavedCopy::KeepServerTime(const CCacheBrowser::CCacheElement& entry) {
  if (const std::optional<int64_t> time = ServerTime(entry)) Out.SetModifiedTime(*time);
}

std::string SavedCopy::Commit(NameChooser& names, FolderRecord& folder) {
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::string name = names.Next();
    // Never replaces: a file that appeared since the folder was listed (or that
    // another folder text naming the same folder wrote) keeps its name.
    switch (Out.Commit(name)) {
      case Platform::CommitResult::Committed:
        return name;
      case Platform::CommitResult::NameTaken:
        folder.TakeName(name);
        break;
      case Platform::CommitResult::Failed:
        throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, Out.FailureText());
    }
  }
  throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, {});
}

std::optional<int64_t> ServerTime(const CCacheBrowser::CCacheElement& entry) {
  if (const auto modified = ParseHttpDate(entry.LastModified)) return modified;
  if (const auto date = ParseHttpDate(entry.Date)) return date;
  if (entry.Time > 0) return entry.Time;
  return std::nullopt;
}
