#include "config/BrowserTable.h"

#include "base/Text.h"

namespace {

constexpr std::string_view kFirefoxLinux[] = {"firefox.exe", "firefox", "firefox-esr",
                                              "firefox-bin"};
constexpr std::string_view kFirefoxWindows[] = {"firefox.exe"};
constexpr std::string_view kInternetExplorer[] = {"iexplore.exe"};
constexpr std::string_view kMaxthon[] = {"maxthon.exe"};

constexpr int kMozillaGroup = 0;
constexpr int kUrlCacheGroup = 1;

constexpr std::array<BrowserInfo, BrowserCount> kBrowsers{{
    {Firefox, "Mozilla Firefox", "Firefox", "firefox", kFirefoxLinux, kFirefoxWindows, "Mozilla",
     true, CacheFormat::Mozilla, kMozillaGroup, true, UiTextKey::OptUseWithMozilla,
     UiTextKey::CombMozilla, "Firefox"},
    {InternetExplorer, "Microsoft Internet Explorer", "InternetExplorer", "ie", kInternetExplorer,
     kInternetExplorer, "IE", true, CacheFormat::UrlCache, kUrlCacheGroup, true,
     UiTextKey::OptUseWithIE, UiTextKey::CombIE, "Internet Explorer"},
    {Maxthon, "Maxthon", "Maxthon", "maxthon", kMaxthon, kMaxthon, "Maxthon", true,
     CacheFormat::UrlCache, kUrlCacheGroup, false, UiTextKey::OptUseWithMaxthon, UiTextKey::CombIE,
     "Maxthon"},
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

std::vector<const BrowserInfo*> CacheSharers(const BrowserInfo& browser) {
  std::vector<const BrowserInfo*> sharers{&browser};
  for (const BrowserInfo& other : kBrowsers) {
    if (other.Code != browser.Code && other.CacheGroup == browser.CacheGroup) {
      sharers.push_back(&other);
    }
  }
  return sharers;
}
