#include "config/BrowserTable.h"

#include "base/Text.h"
#include "platform/System.h"

namespace {

constexpr std::string_view kFirefoxLinux[] = {"firefox.exe", "firefox", "firefox-esr",
                                              "firefox-bin"};
constexpr std::string_view kFirefoxWindows[] = {"firefox.exe"};
constexpr std::string_view kInternetExplorer[] = {"iexplore.exe"};
constexpr std::string_view kMaxthon[] = {"maxthon.exe"};

constexpr std::string_view kChromeLinux[] = {"chrome", "google-chrome", "google-chrome-beta"};
constexpr std::string_view kChromeWindows[] = {"chrome.exe"};
constexpr std::string_view kChromiumLinux[] = {"chromium", "chromium-browser"};
constexpr std::string_view kEdgeLinux[] = {"msedge", "microsoft-edge"};
constexpr std::string_view kEdgeWindows[] = {"msedge.exe"};
constexpr std::string_view kBraveLinux[] = {"brave", "brave-browser"};
constexpr std::string_view kBraveWindows[] = {"brave.exe"};
constexpr std::string_view kOperaLinux[] = {"opera"};
constexpr std::string_view kOperaWindows[] = {"opera.exe"};
constexpr std::string_view kVivaldiLinux[] = {"vivaldi-bin", "vivaldi"};
constexpr std::string_view kVivaldiWindows[] = {"vivaldi.exe"};
constexpr std::string_view kDiscordLinux[] = {"discord", "Discord"};
constexpr std::string_view kDiscordWindows[] = {"discord.exe"};
constexpr std::string_view kSlackLinux[] = {"slack"};
constexpr std::string_view kSlackWindows[] = {"slack.exe"};
constexpr std::string_view kCodeLinux[] = {"code"};
constexpr std::string_view kCodeWindows[] = {"code.exe"};
constexpr std::string_view kTeamsLinux[] = {"teams", "teams-for-linux"};
constexpr std::string_view kTeamsWindows[] = {"teams.exe", "ms-teams.exe"};
constexpr std::string_view kLibreWolfLinux[] = {"librewolf"};
constexpr std::string_view kLibreWolfWindows[] = {"librewolf.exe"};
constexpr std::string_view kWaterfoxLinux[] = {"waterfox"};
constexpr std::string_view kWaterfoxWindows[] = {"waterfox.exe"};
constexpr std::string_view kFloorpLinux[] = {"floorp"};
constexpr std::string_view kFloorpWindows[] = {"floorp.exe"};

constexpr Platform::BrowserPlaces kFirefoxPlaces{.LinuxFolder = "mozilla/firefox",
                                                 .LinuxHomeFolder = ".mozilla/firefox",
                                                 .FlatpakId = "org.mozilla.firefox",
                                                 .SnapName = "firefox",
                                                 .WindowsFolder = "Mozilla/Firefox",
                                                 .WindowsRoamingFolder = "Mozilla/Firefox"};

// The cache formats rows name (their descriptors are in sources/, which this table
// does not see).
constexpr std::string_view kMozillaFormat = "mozilla";
constexpr std::string_view kUrlCacheFormat = "urlcache";
constexpr std::string_view kChromiumFormat = "chromium";

constexpr int kMozillaGroup = 0;
constexpr int kUrlCacheGroup = 1;
// Every later browser has a cache of its own: its code is its group.
constexpr int Own(BrowserCode code) {
  return 100 + code;
}

// A browser with a cache of its own, a capture command and the generic texts.
constexpr BrowserInfo OwnCacheRow(BrowserCode code, std::string_view format,
                                  std::string_view displayName, std::string_view shortName,
                                  std::string_view cliName, std::span<const std::string_view> linux,
                                  std::span<const std::string_view> windows, std::string_view key,
                                  bool watched, Platform::BrowserPlaces places) {
  BrowserInfo row{};
  row.Code = code;
  row.DisplayName = displayName;
  row.ShortName = shortName;
  row.CliName = cliName;
  row.LinuxProcessNames = linux;
  row.WindowsProcessNames = windows;
  row.SettingsKey = key;
  row.WatchedByDefault = watched;
  row.FormatId = format;
  row.CacheGroup = Own(code);
  row.CaptureCommand = true;
  row.OptionText = UiTextKey::OptUseWithBrowser;
  row.CaptureText = UiTextKey::CaptureFrom;
  row.CaptureLabel = shortName;
  row.Places = places;
  return row;
}

constexpr std::array<BrowserInfo, BrowserCount> kBrowsers{{
    {Firefox,
     "Mozilla Firefox",
     "Firefox",
     "firefox",
     kFirefoxLinux,
     kFirefoxWindows,
     "Mozilla",
     true,
     kMozillaFormat,
     kMozillaGroup,
     true,
     UiTextKey::OptUseWithMozilla,
     UiTextKey::CombMozilla,
     "Firefox",
     kFirefoxPlaces,
     {"MozillaCachePath", UiTextKey::OptMozillaCachePath, UiTextKey::OptFindMozillaCache,
      UiTextKey::ErrorMozillaCacheOpen}},
    {InternetExplorer, "Microsoft Internet Explorer", "InternetExplorer", "ie", kInternetExplorer,
     kInternetExplorer, "IE", true, kUrlCacheFormat, kUrlCacheGroup, true, UiTextKey::OptUseWithIE,
     UiTextKey::CombIE, "Internet Explorer"},
    {Maxthon, "Maxthon", "Maxthon", "maxthon", kMaxthon, kMaxthon, "Maxthon", true, kUrlCacheFormat,
     kUrlCacheGroup, false, UiTextKey::OptUseWithMaxthon, UiTextKey::CombIE, "Maxthon"},
    OwnCacheRow(Chrome, kChromiumFormat, "Google Chrome", "Chrome", "chrome", kChromeLinux,
                kChromeWindows, "Chrome", true,
                {.LinuxFolder = "google-chrome",
                 .LinuxAltFolder = "google-chrome-beta",
                 .FlatpakId = "com.google.Chrome",
                 .WindowsFolder = "Google/Chrome"}),
    OwnCacheRow(ChromiumBrowser, kChromiumFormat, "Chromium", "Chromium", "chromium",
                kChromiumLinux, kChromeWindows, "Chromium", true,
                {.LinuxFolder = "chromium",
                 .FlatpakId = "org.chromium.Chromium",
                 .SnapName = "chromium",
                 .WindowsFolder = "Chromium"}),
    OwnCacheRow(Edge, kChromiumFormat, "Microsoft Edge", "Edge", "edge", kEdgeLinux, kEdgeWindows,
                "Edge", true,
                {.LinuxFolder = "microsoft-edge",
                 .LinuxAltFolder = "microsoft-edge-beta",
                 .FlatpakId = "com.microsoft.Edge",
                 .WindowsFolder = "Microsoft/Edge"}),
    OwnCacheRow(Brave, kChromiumFormat, "Brave", "Brave", "brave", kBraveLinux, kBraveWindows,
                "Brave", true,
                {.LinuxFolder = "BraveSoftware/Brave-Browser",
                 .FlatpakId = "com.brave.Browser",
                 .SnapName = "brave",
                 .WindowsFolder = "BraveSoftware/Brave-Browser"}),
    OwnCacheRow(Opera, kChromiumFormat, "Opera", "Opera", "opera", kOperaLinux, kOperaWindows,
                "Opera", true,
                {.LinuxFolder = "opera",
                 .FlatpakId = "com.opera.Opera",
                 .WindowsFolder = "Opera Software/Opera Stable"}),
    OwnCacheRow(
        Vivaldi, kChromiumFormat, "Vivaldi", "Vivaldi", "vivaldi", kVivaldiLinux, kVivaldiWindows,
        "Vivaldi", true,
        {.LinuxFolder = "vivaldi", .FlatpakId = "com.vivaldi.Vivaldi", .WindowsFolder = "Vivaldi"}),
    // Apps that embed Chromium keep the same cache in their own folder.
    OwnCacheRow(Discord, kChromiumFormat, "Discord", "Discord", "discord", kDiscordLinux,
                kDiscordWindows, "Discord", false,
                {.LinuxConfigOnly = "discord", .WindowsRoamingFolder = "discord"}),
    OwnCacheRow(Slack, kChromiumFormat, "Slack", "Slack", "slack", kSlackLinux, kSlackWindows,
                "Slack", false, {.LinuxConfigOnly = "Slack", .WindowsRoamingFolder = "Slack"}),
    OwnCacheRow(VisualStudioCode, kChromiumFormat, "Visual Studio Code", "Code", "code", kCodeLinux,
                kCodeWindows, "Code", false,
                {.LinuxConfigOnly = "Code", .WindowsRoamingFolder = "Code"}),
    OwnCacheRow(Teams, kChromiumFormat, "Microsoft Teams", "Teams", "teams", kTeamsLinux,
                kTeamsWindows, "Teams", false,
                {.LinuxConfigOnly = "Microsoft/Microsoft Teams",
                 .WindowsRoamingFolder = "Microsoft/Teams"}),
    // Browsers built from Firefox keep its cache in places of their own.
    OwnCacheRow(LibreWolf, kMozillaFormat, "LibreWolf", "LibreWolf", "librewolf", kLibreWolfLinux,
                kLibreWolfWindows, "LibreWolf", false,
                {.LinuxFolder = "librewolf",
                 .LinuxHomeFolder = ".librewolf",
                 .FlatpakId = "io.gitlab.librewolf-community",
                 .WindowsFolder = "librewolf",
                 .WindowsRoamingFolder = "librewolf"}),
    OwnCacheRow(Waterfox, kMozillaFormat, "Waterfox", "Waterfox", "waterfox", kWaterfoxLinux,
                kWaterfoxWindows, "Waterfox", false,
                {.LinuxFolder = "waterfox",
                 .LinuxHomeFolder = ".waterfox",
                 .FlatpakId = "net.waterfox.waterfox",
                 .WindowsFolder = "Waterfox",
                 .WindowsRoamingFolder = "Waterfox"}),
    OwnCacheRow(Floorp, kMozillaFormat, "Floorp", "Floorp", "floorp", kFloorpLinux, kFloorpWindows,
                "Floorp", false,
                {.LinuxFolder = "floorp",
                 .LinuxHomeFolder = ".floorp",
                 .FlatpakId = "one.ablaze.floorp",
                 .WindowsFolder = "Floorp",
                 .WindowsRoamingFolder = "Floorp"}),
}};

// Codes are places in the table.
constexpr bool CodesArePlaces() {
  for (size_t i = 0; i < kBrowsers.size(); ++i) {
    if (kBrowsers[i].Code != static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(CodesArePlaces());

}  // namespace

std::span<const BrowserInfo> Browsers() {
  return kBrowsers;
}

const BrowserInfo* FindBrowser(int code) {
  if (code < 0 || code >= BrowserCount) return nullptr;
  return &kBrowsers[static_cast<size_t>(code)];
}

const BrowserInfo* FindBrowserByCliName(std::string_view name) {
  for (const BrowserInfo& browser : kBrowsers) {
    if (Text::EqualsIgnoringAsciiCase(browser.CliName, name)) return &browser;
  }
  return nullptr;
}

std::vector<std::string> ProcessNamesOf(const BrowserInfo& browser) {
  const auto names =
      Platform::RunningOnWindows ? browser.WindowsProcessNames : browser.LinuxProcessNames;
  return {names.begin(), names.end()};
}

std::string OptionTextOf(const BrowserInfo& browser) {
  std::string text = UiTexts::Get(browser.OptionText);
  // The one text with a place for a name: languages put the name where their word order
  // wants it ("Mit Google Chrome verwenden").
  constexpr std::string_view kToken = "%BROWSER%";
  if (const size_t at = text.find(kToken); at != std::string::npos) {
    text.replace(at, kToken.size(), browser.DisplayName);
  }
  return text;
}

std::string CaptureTextOf(const BrowserInfo& browser) {
  const std::string text = UiTexts::Get(browser.CaptureText);
  return browser.CaptureText == UiTextKey::CaptureFrom
             ? text + " " + std::string(browser.DisplayName)
             : text;
}

UiTextKey OpenErrorTextOf(const BrowserInfo& browser) {
  return browser.CacheFolder.SettingsKey.empty() ? UiTextKey::ErrorCacheOpen
                                                 : browser.CacheFolder.OpenError;
}

std::vector<const BrowserInfo*> CacheSharers(const BrowserInfo& browser) {
  std::vector<const BrowserInfo*> sharers{&browser};
  for (const BrowserInfo& other : kBrowsers) {
    if (other.Code != browser.Code && other.CacheGroup == browser.CacheGroup) {
      sharers.push_back(&other);
    }
  }
  return sharers;
}
