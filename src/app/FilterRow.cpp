#include "app/FilterRow.h"

#include <algorithm>
#include <cctype>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CCacheFilter.h"

namespace {

constexpr std::array<UiTextKey, FilterRow::ColumnCount> kHeaderKeys = {
    UiTextKey::FilterListEnabled,   UiTextKey::FilterListContentType,
    UiTextKey::FilterListMinSize,   UiTextKey::FilterListURL,
    UiTextKey::FilterListMinWidth,  UiTextKey::FilterListMinHeight,
    UiTextKey::FilterListDirectory, UiTextKey::FilterListFileNameDummy};

bool HasPixelTest(const FilterRecord& record) {
  return record.MinWidth != 0 && record.MinHeight != 0;
}

bool KindsInclude(KindCode above, KindCode below) {
  if (above == KindAll || above == below) return true;
  // A group below is taken only by the same group or every kind (above); a single kind
  // by a group that holds it.
  return below != KindAll && below < KindCount && KindMatches(above, below);
}

// Every URL that holds one of the words below holds one of those above.
bool UrlWordsInclude(const FilterRecord& above, const FilterRecord& below) {
  if (above.UrlWords.empty()) return true;
  if (below.UrlWords.empty()) return false;
  return std::all_of(below.UrlWords.begin(), below.UrlWords.end(), [&](const std::string& word) {
    return std::any_of(above.UrlWords.begin(), above.UrlWords.end(), [&](const std::string& part) {
      return word.find(part) != std::string::npos;
    });
  });
}

}  // namespace

bool TakesAllOf(const FilterRecord& above, const FilterRecord& below) {
  if (!KindsInclude(above.ContentType, below.ContentType)) return false;
  if (above.MinSize > 0 && above.MinSize > below.MinSize) return false;
  if (!UrlWordsInclude(above, below)) return false;
  // A picture that fails the pixel test above goes on to the filters below it.
  if (!HasPixelTest(above)) return true;
  return HasPixelTest(below) && below.MinWidth >= above.MinWidth &&
         below.MinHeight >= above.MinHeight;
}

std::string DescribeFilter(const FilterRecord& record) {
  std::string text = KindText(record.ContentType);
  if (!record.URL.empty()) text += " \"" + record.URL + "\"";
  return text + " \u2192 " + record.Directory;
}

std::string KindText(KindCode code) {
  if (code == KindEveryPicture) return UiTexts::Get(UiTextKey::FilterListEveryPicture);
  if (code == KindEveryAudio) return UiTexts::Get(UiTextKey::FilterListEveryAudio);
  if (code == KindEveryVideo) return UiTexts::Get(UiTextKey::FilterListEveryVideo);
  std::string text(KindName(code));
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

FilterRow FilterRow::Of(const FilterRecord& record) {
  FilterRow row;
  row.Checked = !record.Disabled;
  row.Cells[1] = KindText(record.ContentType);
  row.Cells[2] = std::to_string(record.MinSize);
  row.Cells[3] = record.URL;
  row.Cells[4] = std::to_string(record.MinWidth);
  row.Cells[5] = std::to_string(record.MinHeight);
  row.Cells[6] = record.Directory;
  row.Cells[7] = record.FileNameDummy;
  return row;
}

std::vector<FilterRow> FilterRow::AllOf(const CCacheFilter& set) {
  const bool oneCopy = CurrentSettings().OneCopy;
  std::vector<FilterRow> rows;
  std::vector<const FilterRecord*> enabledAbove;
  for (const FilterRecord* record = set.GetFirst(); record; record = set.GetNext(*record)) {
    FilterRow row = Of(*record);
    if (oneCopy && !record->Disabled) {
      for (const FilterRecord* above : enabledAbove) {
        if (!TakesAllOf(*above, *record)) continue;
        row.NeverMatches = UiTexts::Get(UiTextKey::HintFilterNeverMatches) + "\n" +
                           std::to_string(above->Position + 1) + ". " + DescribeFilter(*above);
        break;
      }
      enabledAbove.push_back(record);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::array<std::string, FilterRow::ColumnCount> FilterRow::Headers() {
  std::array<std::string, ColumnCount> headers;
  for (size_t i = 0; i < kHeaderKeys.size(); ++i) headers[i] = UiTexts::Get(kHeaderKeys[i]);
  return headers;
}
