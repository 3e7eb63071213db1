#include "app/CaptureNotice.h"

#include "config/UiTexts.h"

std::string NewFilesText(int count) {
  if (count == 1) return "1 new file has been captured and saved";
  return std::to_string(count) + " new files have been captured and saved";
}

std::string CaptureNoticeText(int count, uint32_t skipped) {
  std::string text = NewFilesText(count);
  if (skipped > 0) {
    text += " (" + std::to_string(skipped) + " " + UiTexts::Get(UiTextKey::SkippedEntries) + ")";
  }
  return text;
}
