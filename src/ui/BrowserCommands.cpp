#include "ui/BrowserCommands.h"

#include <QStringList>

#include <algorithm>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "sources/CacheFormats.h"

namespace BrowserCommands {

namespace {

QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

QString OptionText(const BrowserInfo& browser) {
  return QString::fromStdString(OptionTextOf(browser));
}

QString CaptureTooltip(const BrowserInfo& browser) {
  return QString::fromStdString(CaptureTextOf(browser));
}

QString CaptureLabel(const BrowserInfo& browser) {
  return FromView(browser.CaptureLabel.empty() ? browser.ShortName : browser.CaptureLabel);
}

QString FormatHeading(const FormatGroup& group) {
  const CacheFormat* format = FindCacheFormat(group.FormatId);
  if (format && !format->HeadingTextKey.empty()) {
    if (const std::optional<UiTextKey> key = FindUiTextKey(format->HeadingTextKey)) {
      return Text(*key);
    }
  }
  // A format without a heading of its own is named by its browsers.
  QStringList names;
  for (const BrowserInfo* browser : group.Browsers) {
    if (names.size() == static_cast<qsizetype>(kHeadingNames)) {
      names << QStringLiteral("...");
      break;
    }
    names << FromView(browser->ShortName);
  }
  return names.join(QStringLiteral(", "));
}

QString CaptureIconStem(std::string_view formatId) {
  const CacheFormat* format = FindCacheFormat(formatId);
  return format && !format->CaptureIconStem.empty() ? FromView(format->CaptureIconStem)
                                                    : QStringLiteral("comb");
}

}  // namespace BrowserCommands
