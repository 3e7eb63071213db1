#pragma once

#include <array>
#include <string>
#include <vector>

#include "sources/ContentKinds.h"

class CCacheFilter;
struct FilterRecord;

// What the filter list shows of one filter: its check box and the text of each column,
// in the current language. Column 0 holds only the check box.
struct FilterRow {
  static constexpr int ColumnCount = 8;

  bool Checked = true;
  std::array<std::string, ColumnCount> Cells;

  static FilterRow Of(const FilterRecord& record);
  // Every filter of the set, in set order (the caller holds the set's lock).
  static std::vector<FilterRow> AllOf(const CCacheFilter& set);
  // The column headers.
  static std::array<std::string, ColumnCount> Headers();
};

// How a content type is shown in the list and the editor: a kind's short name in
// capitals, a group's text from the current language ("Every Picture").
std::string KindText(KindCode code);
