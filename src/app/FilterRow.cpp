#include "app/FilterRow.h"

#include <cctype>

#include "config/UiTexts.h"
#include "engine/CCacheFilter.h"

namespace {

constexpr std::array<UiTextKey, FilterRow::ColumnCount> kHeaderKeys = {
    UiTextKey::FilterListEnabled,   UiTextKey::FilterListContentType,
    UiTextKey::FilterListMinSize,   UiTextKey::FilterListURL,
    UiTextKey::FilterListMinWidth,  UiTextKey::FilterListMinHeight,
    UiTextKey::FilterListDirectory, UiTextKey::FilterListFileNameDummy};

}  // namespace

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
  std::vector<FilterRow> rows;
  for (const FilterRecord* record = set.GetFirst(); record; record = set.GetNext(*record)) {
    rows.push_back(Of(*record));
  }
  return rows;
}

std::array<std::string, FilterRow::ColumnCount> FilterRow::Headers() {
  std::array<std::string, ColumnCount> headers;
  for (size_t i = 0; i < kHeaderKeys.size(); ++i) headers[i] = UiTexts::Get(kHeaderKeys[i]);
  return headers;
}
