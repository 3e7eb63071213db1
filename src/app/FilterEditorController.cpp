#include "app/FilterEditorController.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "app/FilterRow.h"
#include "app/FolderChoice.h"
#include "config/OutputFolderCheck.h"
#include "config/Settings.h"
#include "config/SizeText.h"
#include "config/UiTexts.h"

std::vector<FilterEditorController::KindChoice> FilterEditorController::KindChoices() {
  std::vector<KindChoice> choices;
  for (const KindCode code : KindOrder) choices.push_back({code, KindText(code)});
  return choices;
}

int32_t FilterEditorController::LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  // Summed in 64 bits and held at the field's limits, so a long run of digits cannot
  // wrap into a different number.
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

std::string FilterEditorController::FolderMessage(const std::string& text) {
  const OutputFolderProblem problem = CheckOutputFolder(text);
  if (problem == OutputFolderProblem::None) return {};
  return UiTexts::Get(UiTextKey::ErrorDirectory) + "\n" +
         UiTexts::Get(OutputFolderProblemText(problem));
}

FilterEditorController::FilterEditorController(FilterRecord& record, FilterEditorView& view)
    : Record(record), View(view) {}

void FilterEditorController::Load() {
  FilterFields fields;
  const bool offered =
      std::find(KindOrder.begin(), KindOrder.end(), Record.ContentType) != KindOrder.end();
  fields.Kind = offered ? Record.ContentType : KindOrder.front();
  fields.MinSizeText = std::to_string(Record.MinSize);
  fields.UrlText = Record.URL;
  fields.MinWidthText = std::to_string(Record.MinWidth);
  fields.MinHeightText = std::to_string(Record.MinHeight);
  fields.FolderText = Record.Directory;
  fields.FileNameText = Record.FileNameDummy;
  View.ShowFields(fields);
}

bool FilterEditorController::Accept() {
  const FilterFields fields = View.Fields();
  const std::optional<int32_t> minSize = ParseSizeText(fields.MinSizeText);
  if (!minSize) {
    View.Refuse(UiTexts::Get(UiTextKey::ErrorMinSize), FilterFields::MinSize, true);
    return false;
  }
  const int32_t minWidth = LeadingInteger(fields.MinWidthText);
  const int32_t minHeight = LeadingInteger(fields.MinHeightText);
  // With one of the two the pixel test is off, which the user cannot have meant.
  if ((minWidth != 0) != (minHeight != 0)) {
    View.Refuse(UiTexts::Get(UiTextKey::HintPixelTest),
                minWidth != 0 ? FilterFields::MinHeight : FilterFields::MinWidth, true);
    return false;
  }
  if (const std::string message = FolderMessage(fields.FolderText); !message.empty()) {
    View.Refuse(message, FilterFields::Folder, false);
    return false;
  }
  Record.Directory = fields.FolderText;
  Record.ContentType = fields.Kind;
  Record.MinSize = *minSize;
  Record.URL = fields.UrlText;
  Record.MinWidth = minWidth;
  Record.MinHeight = minHeight;
  Record.FileNameDummy = fields.FileNameText;
  return true;
}

void FilterEditorController::BrowseFolder() {
  const std::optional<std::string> picked = View.ChooseFolder(
      UiTexts::Get(UiTextKey::ChooseFilterFolder), FolderChooserStart(View.Fields().FolderText));
  if (picked && !picked->empty()) View.ShowFolder(*picked);
}

void FilterEditorController::Help() {
  View.Open(ProgramPlaces().HelpFilePath);
}
