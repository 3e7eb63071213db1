#include "sources/CCacheBrowser.h"

#include "sources/CError.h"
#include "sources/SavedFileDecoder.h"

CCacheBrowser::~CCacheBrowser() = default;

bool CCacheBrowser::IsPacked(const CCacheElement&) const {
  return false;
}

std::optional<CCacheBrowser::EntryBytes> CCacheBrowser::LocateEntryBytes(
    const CCacheElement&) const {
  return std::nullopt;
}

void CCacheBrowser::Close() {}

void CCacheBrowser::Open() {}

bool CCacheBrowser::TryOpen() {
  try {
    Open();
    return true;
  } catch (const CError&) {
    Close();
    return false;
  }
}

int32_t CCacheBrowser::LoadEntries() {
  ClearEntries();
  ReadEntries();
  for (size_t i = 0; i < Entries.size(); ++i) {
    CCacheElement& entry = *Entries[i];
    if (entry.Kind == KindPlain || entry.Kind == KindAll) {
      entry.Kind = RefineByUrl(entry.SourceUrl, entry.Kind);
    }
    entry.Index = static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(Entries.size());
}

bool CCacheBrowser::SaveEntry(const CCacheElement& entry, const std::string& destination,
                              bool failIfExists, CopyOutcome* outcome) {
  CopyOutcome local;
  CopyOutcome& result = outcome ? *outcome : local;
  result = {};
  // Decoded straight from the cache when the source can say where the body lies: no
  // stored copy is written only to be replaced.
  bool triedFromCache = false;
  if (MayDecode(entry)) {
    if (const std::optional<EntryBytes> bytes = LocateEntryBytes(entry)) {
      triedFromCache = true;
      uint64_t decoded = 0;
      switch (DecodeRangeToFile(bytes->Path, bytes->Offset, bytes->Length, entry.ContentEncoding,
                                destination, failIfExists, decoded)) {
        case DecodeToFileResult::Decoded:
          result.BytesWritten = decoded;
          result.Decoded = true;
          return true;
        case DecodeToFileResult::DestinationExists:
          result.DestinationExisted = true;
          return false;
        case DecodeToFileResult::Failed:
          break;  // saved as stored
      }
    }
  }
  try {
    if (!CopyEntry(entry, destination, failIfExists, result)) return false;
  } catch (const CError&) {
    return false;
  }
  // The copy created the destination in this pass, so replacing it is safe. A body
  // that could be located was already tried above.
  if (MayDecode(entry) && !triedFromCache) {
    if (const auto decoded = DecodeSavedFile(destination, entry.ContentEncoding)) {
      result.BytesWritten = *decoded;
      result.Decoded = true;
    }
  }
  return true;
}

void CCacheBrowser::ClearEntries() {
  Entries.clear();
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetFirst() const {
  return GetAt(0);
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetAt(size_t index) const {
  return index < Entries.size() ? Entries[index].get() : nullptr;
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetNext(const CCacheElement& entry) const {
  if (entry.Index < 0) return nullptr;
  return GetAt(static_cast<size_t>(entry.Index) + 1);
}

void CCacheBrowser::AppendEntry(std::unique_ptr<CCacheElement> entry) {
  Entries.push_back(std::move(entry));
}
