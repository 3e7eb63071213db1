#pragma once

// Every browser Vorlane serves, declared once: the engine, the watchers, the settings,
// the command-line tool and the windows all read this table. A new browser whose cache
// format is already read is one more row.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/UiTexts.h"
#include "platform/Paths.h"

enum BrowserCode : int {
  Firefox = 0,
  InternetExplorer = 1,
  Maxthon = 2,
  Chrome,
  ChromiumBrowser,  // the browser; Chromium alone names the disk-cache readers
  Edge,
  Brave,
  Opera,
  Vivaldi,
  Discord,
  Slack,
  VisualStudioCode,
  Teams,
  LibreWolf,
  Waterfox,
  Floorp,
};

// A cache folder the user may name for a browser in the options, instead of the one
// found: the settings key that keeps it, the options' texts, and the text of a failed
// open, which points there.
struct NamedCacheFolder {
  std::string_view SettingsKey;  // "": the browser's cache is only found
  UiTextKey Label = UiTextKey::OptMozillaCachePath;
  UiTextKey FindButton = UiTextKey::OptFindMozillaCache;
  UiTextKey OpenError = UiTextKey::ErrorMozillaCacheOpen;
};

struct BrowserInfo {
  int Code;
  std::string_view DisplayName;  // in messages: "Mozilla Firefox has to be closed..."
  std::string_view ShortName;    // in folder names and reports
  std::string_view CliName;      // vorlane-cli list <name>
  std::span<const std::string_view> LinuxProcessNames;
  std::span<const std::string_view> WindowsProcessNames;
  std::string_view SettingsKey;  // the setting that turns its watcher on
  bool WatchedByDefault;
  // The id of the cache format (sources/CacheFormats.h) that reads its cache.
  std::string_view FormatId;
  // Browsers of one group share one cache: a capture of one is refused while any of
  // them runs, and its watcher's capture reads the same cache.
  int CacheGroup;
  // The main window and the tray offer a capture of it (one browser per shared cache).
  bool CaptureCommand;
  UiTextKey OptionText;           // the options dialog's check box
  UiTextKey CaptureText;          // the capture command's tooltip
  std::string_view CaptureLabel;  // the capture command's short text
  // Where the browser keeps its profiles (read by its format's search).
  Platform::BrowserPlaces Places{};
  NamedCacheFolder CacheFolder{};
};

std::span<const BrowserInfo> Browsers();
inline constexpr int BrowserCount = 16;

// The row of a code, or null.
const BrowserInfo* FindBrowser(int code);
// The row whose command-line name (ASCII case ignored) is `name`, or null.
const BrowserInfo* FindBrowserByCliName(std::string_view name);
// The process names of a browser on the system this program runs on.
std::vector<std::string> ProcessNamesOf(const BrowserInfo& browser);
// The options dialog's and the capture command's texts, in the interface language.
std::string OptionTextOf(const BrowserInfo& browser);
std::string CaptureTextOf(const BrowserInfo& browser);
// The text of a failed open of the browser's cache.
UiTextKey OpenErrorTextOf(const BrowserInfo& browser);
// Every browser that shares the cache of `browser`, itself first.
std::vector<const BrowserInfo*> CacheSharers(const BrowserInfo& browser);
