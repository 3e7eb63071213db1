#include "engine/CCacheFilter.h"

#include <algorithm>
#include <cmath>

#include "config/Settings.h"

void SplitUrl(FilterRecord& record) {
  record.UrlWords.clear();
  std::string word;
  for (char c : record.URL) {
    if (c == ',') {
      if (!word.empty()) record.UrlWords.push_back(word);
      word.clear();
    } else if (c != ' ' && c != '\t') {
      word += c;
    }
  }
  if (!word.empty()) record.UrlWords.push_back(word);
}

CCacheFilter::CCacheFilter() : Probe(&CGraphicLT::GetImageSize) {}

CCacheFilter::~CCacheFilter() = default;

FilterRecord* CCacheFilter::Insert(std::unique_ptr<FilterRecord> record, int position) {
  if (!record) record = std::make_unique<FilterRecord>();
  FilterRecord* inserted = record.get();
  size_t from = Filters.size();
  if (position >= 0 && position < Count()) {
    Filters.insert(Filters.begin() + position, std::move(record));
    from = static_cast<size_t>(position);
  } else {
    Filters.push_back(std::move(record));
  }
  SplitUrl(*inserted);
  // Only the records from the new one on change places.
  for (size_t i = from; i < Filters.size(); ++i) Filters[i]->Position = static_cast<int32_t>(i);
  return inserted;
}

bool CCacheFilter::Remove(int index) {
  if (index < 0 || index >= Count()) return false;
  Filters.erase(Filters.begin() + index);
  Renumber();
  return true;
}

int CCacheFilter::MoveUp(int index) {
  if (index <= 0 || index >= Count()) return std::max(index, 0);
  std::swap(Filters[static_cast<size_t>(index)], Filters[static_cast<size_t>(index - 1)]);
  Renumber();
  return index - 1;
}

int CCacheFilter::MoveDown(int index) {
  if (index < 0 || index >= Count() - 1) return index;
  std::swap(Filters[static_cast<size_t>(index)], Filters[static_cast<size_t>(index + 1)]);
  Renumber();
  return index + 1;
}

FilterRecord* CCacheFilter::GetAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return Filters[static_cast<size_t>(index)].get();
}

void CCacheFilter::Clear() {
  Filters.clear();
  Hint.clear();
}

std::unique_ptr<CCacheFilter> CCacheFilter::CloneFilters() const {
  auto copy = std::make_unique<CCacheFilter>();
  copy->Filters.reserve(Filters.size());
  for (const auto& record : Filters)
    copy->Filters.push_back(std::make_unique<FilterRecord>(*record));
  copy->Hint = Hint;
  copy->FilterFilePath = FilterFilePath;
  copy->Probe = Probe;
  copy->Choices = Choices;
  return copy;
}

void CCacheFilter::Renumber() {
  for (size_t i = 0; i < Filters.size(); ++i) Filters[i]->Position = static_cast<int32_t>(i);
}

void CCacheFilter::SetOptions(bool oneCopy, bool skipDuplicates) {
  OneCopy = oneCopy;
  SkipDuplicates = skipDuplicates;
}

bool CCacheFilter::Comb(CCacheBrowser& source) {
  const Settings settings = CurrentSettings();
  SetOptions(settings.OneCopy, settings.SkipDuplicates);
  return CombWithOptions(source);
}

bool CCacheFilter::CombWithOptions(CCacheBrowser& source) {
  Source = &source;
  TotalEntries = 0;
  LastPercent = 0;
  NewFileCount = 0;
  UnreadableCount = 0;
  SavedFiles.clear();
  Report.clear();
  // Cancelled is left as it is: a stop asked for before the pass began must hold.

  PrepareFolders();

  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    if (SinceTime == 0 || entry->Time >= SinceTime) ++TotalEntries;
  }
  for (auto* entry = source.GetFirst(); entry && !Cancelled; entry = source.GetNext(*entry)) {
    if (SinceTime == 0 || entry->Time >= SinceTime) ProcessEntry(*entry);
  }
  return true;
}

void CCacheFilter::ProcessEntry(const Entry& entry) {
  ReportProgress(entry.Index);
  // Part of a body is no file; such entries are listed, not saved.
  if (entry.Incomplete) return;
  for (const auto& record : Filters) {
    if (record->Disabled || !Match(entry, *record)) continue;
    const StoreResult result = Store(entry, *record);
    // An entry that cannot be read fails the same way for every other filter.
    if (result == StoreResult::Unreadable) {
      ++UnreadableCount;
      NoteRow(entry, {}, 0, "unreadable");
      return;
    }
    if (result == StoreResult::Stored && OneCopy) break;
  }
}

bool CCacheFilter::Match(const Entry& entry, const FilterRecord& record) const {
  if (!KindMatches(record.ContentType, entry.Kind)) return false;
  if (record.MinSize > 0 && entry.Size < static_cast<uint64_t>(record.MinSize)) return false;
  if (record.UrlWords.empty()) return true;
  return std::any_of(record.UrlWords.begin(), record.UrlWords.end(), [&](const std::string& word) {
    return entry.SourceUrl.find(word) != std::string::npos;
  });
}

void CCacheFilter::ReportProgress(int32_t index) {
  if (!ProgressCallback || TotalEntries <= 0) return;
  const auto percent = static_cast<int32_t>(std::ceil(index * (100.0 / TotalEntries)));
  if (percent == LastPercent) return;
  // With a time threshold the index runs ahead of the visited count; hold it at 100.
  LastPercent = std::min(percent, 100);
  ProgressCallback(LastPercent);
}
