#include "support/SaveEntry.h"

#include "platform/OutputFile.h"
#include "platform/Paths.h"

namespace vorlane::test {

SaveResult SaveEntryAs(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
                       const std::string& destination) {
  SaveResult result;
  const std::optional<EntryContent> content = source.OpenContent(entry);
  if (!content) {
    result.Result = CCacheBrowser::WriteResult::Unreadable;
    return result;
  }
  Platform::OutputFile out;
  if (!out.Create(Platform::ParentFolder(destination))) {
    result.Result = CCacheBrowser::WriteResult::OutputFailed;
    return result;
  }
  const CCacheBrowser::WriteOutcome written = source.WriteEntry(entry, *content, out);
  result.Result = written.Result;
  if (written.Result != CCacheBrowser::WriteResult::Written || !out.Finish()) return result;
  result.Decoded = written.Decoded;
  result.BytesWritten = out.BytesWritten();
  const Platform::CommitResult committed = out.Commit(Platform::FileName(destination));
  result.Existed = committed == Platform::CommitResult::NameTaken;
  result.Saved = committed == Platform::CommitResult::Committed;
  return result;
}

}  // namespace vorlane::test

namespace vorlane::test {

bool SaveEntry(CCacheBrowser& source, const CCacheBrowser::CCacheElement& entry,
               const std::string& destination, SaveResult* result) {
  const SaveResult saved = SaveEntryAs(source, entry, destination);
  if (result) *result = saved;
  return saved.Saved;
}

}  // namespace vorlane::test
