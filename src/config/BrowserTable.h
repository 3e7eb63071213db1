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
};

// Which source reads a browser's cache, and so how the cache folder is found.
enum class CacheFormat {
  Mozilla,   // the Firefox disk cache of the user's profile
  UrlCache,  // the URL cache shared by Internet Explorer and Maxthon
  Chromium,  // the disk cache of a Chromium-family browser, every profile of it
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
  CacheFormat Format;
  // Browsers of one group share one cache: a capture of one is refused while any of
  // them runs, and its watcher's capture reads the same cache.
  int CacheGroup;
  // The main window and the tray offer a capture of it (one browser per shared cache).
  bool CaptureCommand;
  UiTextKey OptionText;           // the options dialog's check box
  UiTextKey CaptureText;          // the capture command's tooltip
  std::string_view CaptureLabel;  // the capture command's short text
  // Where a Chromium-family browser keeps its profiles.
  Platform::ChromiumVendorPaths Vendor{};
};

std::span<const BrowserInfo> Browsers();
inline constexpr int BrowserCount = 13;

// The row of a code, or null.
const BrowserInfo* FindBrowser(int code);
// The row whose command-line name (ASCII case ignored) is `name`, or null.
const BrowserInfo* FindBrowserByCliName(std::string_view name);
// The process names of a browser on the system this program runs on.
std::vector<std::string> ProcessNamesOf(const BrowserInfo& browser);
// The options dialog's and the capture command's texts, in the interface language.
std::string OptionTextOf(const BrowserInfo& browser);
std::string CaptureTextOf(const BrowserInfo& browser);
// Every browser that shares the cache of `browser`, itself first.
std::vector<const BrowserInfo*> CacheSharers(const BrowserInfo& browser);
