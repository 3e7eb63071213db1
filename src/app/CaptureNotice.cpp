#include "app/CaptureNotice.h"

#include <cstdio>

#include "app/ProgramInfo.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CaptureTarget.h"
#include "platform/Clock.h"

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

std::string CaptureNoticeFor(const CaptureOutcome& job, uint32_t skipped) {
  const std::string prefix = job.Browser.empty() ? std::string() : job.Browser + ": ";
  if (job.Counts.NewFiles > 0) {
    std::string text = prefix + CaptureNoticeText(job.Counts.NewFiles, skipped);
    if (job.Counts.NotDecoded > 0) {
      text += "; " + std::to_string(job.Counts.NotDecoded) + " " +
              UiTexts::Get(UiTextKey::NotDecodedFiles);
    }
    return text;
  }
  if (!job.Finished || job.Start == CaptureStart::BrowserClosed) return {};
  return prefix + NoNewFilesText(job.Counts);
}

std::string TrayToolTipText(const std::vector<std::string>& watched, bool paused,
                            const CaptureOutcome* last) {
  std::string text = ProgramInfo::Name;
  if (paused) {
    text += " - " + UiTexts::Get(UiTextKey::TipWatchingPaused);
  } else if (!watched.empty()) {
    text += " - " + UiTexts::Get(UiTextKey::TipWatching) + " ";
    for (size_t i = 0; i < watched.size(); ++i) text += (i ? ", " : "") + watched[i];
  }
  if (last && last->EndTime > 0) {
    char time[16] = "";
    if (const auto local = Platform::ToLocalTime(last->EndTime)) {
      std::snprintf(time, sizeof time, "%02u:%02u", local->Hour, local->Minute);
    }
    const UiTextKey files =
        last->Counts.NewFiles == 1 ? UiTextKey::TipNewFile : UiTextKey::TipNewFiles;
    text += "\n" + UiTexts::Get(UiTextKey::TipLastCapture) + " " + std::string(time) + ", " +
            last->Browser + ": " + std::to_string(last->Counts.NewFiles) + " " +
            UiTexts::Get(files);
  }
  return text;
}

std::vector<std::string> WatchedBrowsers() {
  const Settings settings = CurrentSettings();
  std::vector<std::string> names;
  for (const BrowserInfo& browser : Browsers()) {
    if (!settings.Watch[static_cast<size_t>(browser.Code)]) continue;
    if (!ResolveCaptureTarget(browser.Code)) continue;
    names.emplace_back(browser.ShortName);
  }
  return names;
}
