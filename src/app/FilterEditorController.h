#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/FilterEditorView.h"
#include "engine/FilterRecord.h"

// The filter editor: which content types it offers, the checks of OK with their
// messages, and the record it writes. The record changes only on an OK whose fields all
// passed. UI thread only, like every controller.
class FilterEditorController {
 public:
  // The kinds in the order the content-type list shows them: every kind, the three
  // groups (100..102), the original kinds, then the newer ones (20..29).
  static constexpr std::array<KindCode, 33> KindOrder = {
      0,  100, 101, 102, 1,  2,  3,  4,  5,  6,  17, 18, 7,  12, 19, 13, 14,
      15, 8,   9,   10,  11, 16, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};
  struct KindChoice {
    KindCode Code;
    std::string Text;
  };
  // The content-type list, in KindOrder, in the current language.
  static std::vector<KindChoice> KindChoices();

  // The decimal integer at the start of a text (leading blanks and a sign allowed),
  // 0 without digits, held to the range of the field.
  static int32_t LeadingInteger(std::string_view text);
  // The message for a folder text that is refused, with the reason; "" when accepted.
  static std::string FolderMessage(const std::string& text);

  FilterEditorController(FilterRecord& record, FilterEditorView& view);

  // Shows the record: a kind the list does not offer as the first entry (every kind).
  void Load();
  // OK: checks the fields in order and stops at the first refusal (the view says why,
  // false); else writes the record and returns true.
  bool Accept();
  // "...": the chosen folder replaces the folder text; cancelling keeps it.
  void BrowseFolder();
  void Help();

 private:
  FilterRecord& Record;
  FilterEditorView& View;
};
