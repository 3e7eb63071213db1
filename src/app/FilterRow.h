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
  // Why the filter can never get a file, naming the filter above that takes its entries;
  // "" when it can. The list marks such a row with a sign and shows this as its tooltip.
  std::string NeverMatches;

  bool operator==(const FilterRow&) const = default;

  static FilterRow Of(const FilterRecord& record);
  // Every filter of the set, in set order (the caller holds the set's lock), each row
  // marked when One Copy is on and an enabled filter above it takes all of its entries.
  static std::vector<FilterRow> AllOf(const CCacheFilter& set);
  // The column headers.
  static std::array<std::string, ColumnCount> Headers();
};

// A filter in a line, to name it in a question or a hint: its content type, URL words
// and folder ("Every Picture \"cats\" -> ~/VOR_SAVES/%DATE%/Pictures").
std::string DescribeFilter(const FilterRecord& record);

// Whether, under One Copy, `above` takes every entry that `below` would take, so that
// `below` never gets one: its kinds, sizes and URL words include those of `below`, and
// its pixel test (if any) passes whatever passes that of `below`.
bool TakesAllOf(const FilterRecord& above, const FilterRecord& below);

// How a content type is shown in the list and the editor: a kind's short name in
// capitals, a group's text from the current language ("Every Picture").
std::string KindText(KindCode code);
