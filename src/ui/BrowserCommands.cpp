#include "ui/BrowserCommands.h"

#include <QStringList>

#include <algorithm>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"

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
Group& GroupOf(std::vector<Group>& groups, CacheFormat format) {
  const auto found = std::find_if(groups.begin(), groups.end(),
                                  [format](const Group& group) { return group.Format == format; });
  if (found != groups.end()) return *found;
  groups.push_back(Group{format, {}});
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
    if (browser.CaptureCommand) GroupOf(groups, browser.Format).Browsers.push_back(&browser);
  }
  return groups;
}

std::vector<FormatGroup> FormatGroups() {
  std::vector<FormatGroup> groups;
  for (const BrowserInfo& browser : Browsers()) {
    GroupOf(groups, browser.Format).Browsers.push_back(&browser);
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
  switch (group.Format) {
    case CacheFormat::Mozilla:
      return Text(UiTextKey::OptGroupMozilla);
    case CacheFormat::UrlCache:
      return Text(UiTextKey::OptGroupUrlCache);
    default:
      break;
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

QString CaptureIconStem(CacheFormat format) {
  switch (format) {
    case CacheFormat::Mozilla:
      return QStringLiteral("comb-mozilla");
    case CacheFormat::UrlCache:
      return QStringLiteral("comb-ie");
    default:
      break;
  }
  return QStringLiteral("comb");
}

}  // namespace BrowserCommands
