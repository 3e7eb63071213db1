#include "app/BrowserCommands.h"

#include <algorithm>
#include <optional>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "sources/CacheFormats.h"

namespace BrowserCommands {

namespace {

// A group heading names at most this many browsers before "...".
constexpr size_t kHeadingNames = 4;

template <typename Group>
Group& GroupOf(std::vector<Group>& groups, std::string_view formatId) {
  const auto found = std::find_if(groups.begin(), groups.end(), [formatId](const Group& group) {
    return group.FormatId == formatId;
  });
  if (found != groups.end()) return *found;
  groups.push_back(Group{formatId, {}});
  return groups.back();
}

bool WatchedWithItsCache(const BrowserInfo& browser, const Settings& settings) {
  const std::vector<const BrowserInfo*> sharers = CacheSharers(browser);
  return std::any_of(sharers.begin(), sharers.end(), [&](const BrowserInfo* sharer) {
    const auto code = static_cast<size_t>(sharer->Code);
    return code < settings.Watch.size() && settings.Watch[code];
  });
}

}  // namespace

std::vector<CaptureGroup> CaptureGroups() {
  std::vector<CaptureGroup> groups;
  for (const BrowserInfo& browser : Browsers()) {
    if (browser.CaptureCommand) GroupOf(groups, browser.FormatId).Browsers.push_back(&browser);
  }
  return groups;
}

std::vector<FormatGroup> FormatGroups() {
  std::vector<FormatGroup> groups;
  for (const BrowserInfo& browser : Browsers()) {
    GroupOf(groups, browser.FormatId).Browsers.push_back(&browser);
  }
  return groups;
}

std::vector<int> CaptureNowCodes() {
  const Settings settings = CurrentSettings();
  std::vector<int> codes;
  for (const BrowserInfo& browser : Browsers()) {
    if (!browser.CaptureCommand || !WatchedWithItsCache(browser, settings)) continue;
    if (CQuellbyMain::HasCache(browser.Code)) codes.push_back(browser.Code);
  }
  return codes;
}

std::string Unavailable(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  const CacheFormat* format = browser ? FindCacheFormat(browser->FormatId) : nullptr;
  if (!format || format->MissingCacheTextKey.empty() || CQuellbyMain::HasCache(code)) return {};
  const std::optional<UiTextKey> key = FindUiTextKey(format->MissingCacheTextKey);
  return key ? UiTexts::Get(*key) : std::string(format->MissingCacheTextKey);
}

std::string CaptureLabel(const BrowserInfo& browser) {
  return std::string(browser.CaptureLabel.empty() ? browser.ShortName : browser.CaptureLabel);
}

std::string FormatHeading(const FormatGroup& group) {
  const CacheFormat* format = FindCacheFormat(group.FormatId);
  if (format && !format->HeadingTextKey.empty()) {
    if (const std::optional<UiTextKey> key = FindUiTextKey(format->HeadingTextKey)) {
      return UiTexts::Get(*key);
    }
  }
  // A format without a heading of its own is named by its browsers.
  std::string names;
  for (size_t i = 0; i < group.Browsers.size(); ++i) {
    if (i > 0) names += ", ";
    if (i == kHeadingNames) {
      names += "...";
      break;
    }
    names += group.Browsers[i]->ShortName;
  }
  return names;
}

std::string CaptureIconStem(std::string_view formatId) {
  const CacheFormat* format = FindCacheFormat(formatId);
  return std::string(format && !format->CaptureIconStem.empty() ? format->CaptureIconStem
                                                                : std::string_view("comb"));
}

}  // namespace BrowserCommands
