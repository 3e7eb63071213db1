#include "support/MemorySource.h"

#include <cerrno>

#include "platform/Platform.h"
#include "sources/CError.h"

namespace vorlane::test {

void MemorySource::ReadEntries() {
  for (size_t i = 0; i < Items.size(); ++i) {
    auto entry = std::make_unique<CCacheElement>();
    entry->SourceUrl = Items[i].Url;
    entry->Kind = Items[i].Kind;
    entry->Time = Items[i].Time;
    entry->Size = Items[i].Size >= 0 ? Items[i].Size : static_cast<int32_t>(Items[i].Body.size());
    entry->LocalFile = std::to_string(i);
    entry->ContentEncoding = Items[i].Encoding;
    AppendEntry(std::move(entry));
  }
}

bool MemorySource::CopyEntry(const CCacheElement& entry, const std::string& destination,
                             bool failIfExists, CopyOutcome& outcome) {
  ++CopyCalls;
  if (BeforeCopy) BeforeCopy();
  const Item& item = Items.at(std::stoul(entry.LocalFile));
  if (item.FailCopy)
    throw CError(CError::MozillaCache, CError::CopyFailed, entry.LocalFile, destination, EIO);
  const int error = Platform::WriteNewFile(destination, item.Body, failIfExists);
  if (error != 0) {
    outcome.DestinationExisted = error == EEXIST;
    throw CError(CError::MozillaCache, CError::CopyFailed, entry.LocalFile, destination, error);
  }
  outcome.BytesWritten = item.Body.size();
  return true;
}

}  // namespace vorlane::test
