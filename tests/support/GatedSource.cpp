#include "support/GatedSource.h"

#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace vorlane::test {

void GatedSource::Gate::Release() {
  std::lock_guard guard(Lock);
  Open = true;
  Changed.notify_all();
}

GatedSource::GatedSource(std::shared_ptr<Gate> gate, std::string folder, int entryCount,
                         int64_t time)
    : TheGate(std::move(gate)), EntryCount(entryCount), Time(time) {
  SetCachePath(std::move(folder));
}

std::string GatedSource::GetEntryFile(const CCacheElement& entry) const {
  return Platform::JoinPath(GetCachePath(), std::to_string(entry.Index));
}

void GatedSource::Open() {
  TheGate->Waiting = true;
  std::unique_lock guard(TheGate->Lock);
  TheGate->Changed.wait(guard, [this] { return TheGate->Open; });
}

void GatedSource::ReadEntries() {
  for (int i = 0; i < EntryCount; ++i) {
    auto entry = std::make_unique<CCacheElement>();
    entry->MimeType = "image/jpeg";
    entry->Kind = 1;
    entry->Size = 100;
    entry->Time = Time;
    entry->SourceUrl = "http://example.org/picture" + std::to_string(i) + ".jpg";
    // Every entry has bytes of its own, so none is a duplicate of another.
    std::string data(100, static_cast<char>('a' + i % 26));
    data[0] = static_cast<char>(i);
    Platform::CreateFolderTree(GetCachePath());
    Platform::ReplaceFileAtomically(Platform::JoinPath(GetCachePath(), std::to_string(i)), data);
    AppendEntry(std::move(entry));
  }
}

std::optional<EntryContent> GatedSource::OpenContent(const CCacheElement& entry) const {
  auto file = std::make_shared<Platform::ReadOnlyFile>();
  if (!file->Open(GetEntryFile(entry))) return std::nullopt;
  const uint64_t size = file->Size();
  return EntryContent(std::move(file), 0, size);
}

}  // namespace vorlane::test
