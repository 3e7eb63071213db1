#include "engine/CCacheFilter.h"

#include <algorithm>

CCacheFilter::CCacheFilter() = default;

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
  return copy;
}

void CCacheFilter::KeepResolvedFolders(const CCacheFilter& passCopy) {
  for (int i = 0; i < passCopy.Count() && i < Count(); ++i) {
    FilterRecord& live = *GetAt(i);
    const FilterRecord& used = *passCopy.GetAt(i);
    if (live.Directory == used.Directory) live.ResolvedDirectory = used.ResolvedDirectory;
  }
}

void CCacheFilter::Renumber() {
  for (size_t i = 0; i < Filters.size(); ++i) Filters[i]->Position = static_cast<int32_t>(i);
}
