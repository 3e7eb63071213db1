#include "engine/ReportRow.h"

#include <vector>

#include "base/Sha256.h"
#include "engine/OutputFolders.h"
#include "platform/CacheFiles.h"
#include "sources/ContentKinds.h"

namespace {

constexpr size_t kReadChunk = 256 * 1024;

// Empty when the file cannot be opened.
std::string FileSha256(const std::string& path) {
  Platform::ReadOnlyFile file;
  if (!file.Open(path)) return {};
  Sha256 digest;
  std::vector<std::byte> buffer(kReadChunk);
  for (uint64_t done = 0; done < file.Size();) {
    const std::optional<size_t> got = file.ReadAt(done, buffer.data(), buffer.size());
    if (!got || *got == 0) break;
    digest.Update(std::span(buffer.data(), *got));
    done += *got;
  }
  return Sha256::Hex(digest.Finish());
}

}  // namespace

ReportRow MakeReportRow(const CCacheBrowser::CCacheElement& entry, std::string savedPath,
                        uint64_t savedSize, std::string outcome) {
  ReportRow row;
  row.Url = entry.SourceUrl;
  row.Site = SiteFolderName(entry.SourceUrl);
  row.Partition = entry.Partition;
  row.SavedPath = std::move(savedPath);
  row.Kind = std::string(KindName(entry.Kind));
  row.MimeType = entry.MimeType;
  row.Encoding = entry.ContentEncoding;
  row.StoredSize = entry.Size;
  row.SavedSize = savedSize;
  row.Time = entry.Time;
  row.Outcome = std::move(outcome);
  if (row.Outcome == "saved") row.Sha256 = FileSha256(row.SavedPath);
  return row;
}
