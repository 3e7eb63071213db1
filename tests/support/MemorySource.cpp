#include "support/MemorySource.h"

#include "platform/CacheFiles.h"
#include "platform/OutputFile.h"

namespace vorlane::test {

MemorySource::MemorySource(std::vector<Item> items)
    : Items(std::move(items)), Bodies(std::make_shared<TempDir>()) {}

void MemorySource::ReadEntries() {
  for (size_t i = 0; i < Items.size(); ++i) {
    auto entry = std::make_unique<CCacheElement>();
    entry->SourceUrl = Items[i].Url;
    entry->Kind = Items[i].Kind;
    entry->Time = Items[i].Time;
    entry->Size = Items[i].Size >= 0 ? static_cast<uint64_t>(Items[i].Size) : Items[i].Body.size();
    entry->LocalFile = std::to_string(i);
    entry->ContentEncoding = Items[i].Encoding;
    entry->ContentDisposition = Items[i].Disposition;
    entry->LastModified = Items[i].LastModified;
    entry->Date = Items[i].Date;
    entry->Incomplete = Items[i].Incomplete;
    WriteFile(*Bodies / entry->LocalFile, Items[i].Body);
    AppendEntry(std::move(entry));
  }
}

std::string MemorySource::BodyFile(size_t index) const {
  return *Bodies / std::to_string(index);
}

std::optional<EntryContent> MemorySource::OpenContent(const CCacheElement& entry) const {
  const Item& item = Items.at(std::stoul(entry.LocalFile));
  if (item.FailCopy) return std::nullopt;
  auto file = std::make_shared<Platform::ReadOnlyFile>();
  if (!file->Open(*Bodies / entry.LocalFile)) return std::nullopt;
  const uint64_t size = file->Size();
  return EntryContent(std::move(file), 0, size);
}

CCacheBrowser::WriteOutcome MemorySource::WriteEntry(const CCacheElement& entry,
                                                     const EntryContent& content,
                                                     Platform::OutputFile& out) {
  ++CopyCalls;
  if (BeforeCopy) BeforeCopy();
  return CCacheBrowser::WriteEntry(entry, content, out);
}

}  // namespace vorlane::test
