#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/FilterRecord.h"

// The filter set: the ordered list of the user's filters, read from and written to a
// filter file. A capture walks a copy of it (CCapturePass).
class CCacheFilter {
 public:
  CCacheFilter();
  CCacheFilter(const CCacheFilter&) = delete;
  CCacheFilter& operator=(const CCacheFilter&) = delete;
  virtual ~CCacheFilter();

  // Inserts `record` (a new default one when null) before `position`; any position
  // outside 0..count-1 appends. Returns the record, now owned by the set.
  FilterRecord* Insert(std::unique_ptr<FilterRecord> record, int position);
  void UpdateUrlWords(FilterRecord& record) { SplitUrl(record); }
  bool Remove(int index);
  int MoveUp(int index);
  int MoveDown(int index);
  FilterRecord* GetAt(int index) const;
  FilterRecord* GetFirst() const { return GetAt(0); }
  FilterRecord* GetNext(const FilterRecord& record) const { return GetAt(record.Position + 1); }
  int Count() const { return static_cast<int>(Filters.size()); }
  void Clear();
  std::string GetHint() const { return Hint; }
  void SetHint(std::string hint) { Hint = std::move(hint); }
  const std::string& GetFilterFilePath() const { return FilterFilePath; }
  void SetFilterFilePath(std::string path) { FilterFilePath = std::move(path); }

  // Replaces the set with a filter file's filters (an empty path: the file last
  // loaded) and makes it the settings' filter file (in memory; the settings file is
  // not written). False, with an empty set, when the file is not a filter file.
  bool Load(const std::string& path);
  // Only the reading part of Load: the settings are left alone.
  bool ReadFilterFile(const std::string& path);
  // Why the last Load or ReadFilterFile failed, in a few words; empty after a success.
  const std::string& GetReadFailure() const { return ReadFailure; }
  // Writes the set as a filter file, replacing `path` atomically; false when it
  // could not be written.
  bool Save(const std::string& path);

  // A copy of the filters for a pass on another thread.
  std::unique_ptr<CCacheFilter> CloneFilters() const;
  // Takes the folders that a pass resolved in its copy, for every filter whose folder
  // text is still the one the pass saw (the list may have been edited meanwhile).
  void KeepResolvedFolders(const CCacheFilter& passCopy);

 private:
  void Renumber();

  std::vector<std::unique_ptr<FilterRecord>> Filters;
  std::string FilterFilePath;
  std::string Hint;
  std::string ReadFailure;
};
