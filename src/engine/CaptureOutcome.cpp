#include "engine/CaptureOutcome.h"

#include <algorithm>
#include <vector>

#include "config/UiTexts.h"

namespace {

// The words after each count, in SkipReason's order.
constexpr std::array<UiTextKey, kSkipReasonCount> kReasonTexts = {
    UiTextKey::SkipDuplicate, UiTextKey::SkipTooSmall,   UiTextKey::SkipTooFewPixels,
    UiTextKey::SkipNoMatch,   UiTextKey::SkipUnreadable, UiTextKey::SkipIncomplete,
    UiTextKey::SkipNoFolder,  UiTextKey::SkipOutsideTime};

}  // namespace

std::string NoNewFilesText(const PassCounts& counts) {
  if (counts.NewFiles > 0) return {};
  std::string text = UiTexts::Get(UiTextKey::NoNewFiles);
  // A reason of its own explains everything else: no entry could have been saved.
  if (counts.Entries == 0) return text + ": " + UiTexts::Get(UiTextKey::NoNewFilesCacheEmpty);
  if (!counts.FiltersEnabled) return text + ": " + UiTexts::Get(UiTextKey::NoNewFilesNoFilter);
  std::vector<size_t> order;
  for (size_t i = 0; i < kSkipReasonCount; ++i) {
    if (counts.Skipped[i] > 0) order.push_back(i);
  }
  // Most frequent first; equal counts keep the fixed order.
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return counts.Skipped[a] > counts.Skipped[b]; });
  for (size_t i = 0; i < order.size(); ++i) {
    text += (i == 0 ? ": " : ", ") + std::to_string(counts.Skipped[order[i]]) + " " +
            UiTexts::Get(kReasonTexts[order[i]]);
  }
  return text;
}
