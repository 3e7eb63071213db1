#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/BrowserTable.h"

// What the windows offer per browser, made from the browser table, so that a browser
// added to the table appears in the tool bar, the tray menu and the options by itself.
namespace BrowserCommands {

// The browsers of one cache format that a capture on command is offered for, in table
// order (rows with CaptureCommand; one per shared cache).
struct CaptureGroup {
  std::string_view FormatId;
  std::vector<const BrowserInfo*> Browsers;
};
std::vector<CaptureGroup> CaptureGroups();

// The rows of one cache format, in table order, for the options dialog.
struct FormatGroup {
  std::string_view FormatId;
  std::vector<const BrowserInfo*> Browsers;
};
std::vector<FormatGroup> FormatGroups();

// The tray's "Capture now" entries: each browser with a capture command whose cache is
// found now and that is watched itself or through a browser sharing its cache.
std::vector<int> CaptureNowCodes();

// Why a browser is neither offered nor watched here ("" when it is): its format's caches
// can exist only through something missing (no Wine prefix with a URL cache).
std::string Unavailable(int code);

// The capture command's short text.
std::string CaptureLabel(const BrowserInfo& browser);
// The heading of a format's group in the options dialog.
std::string FormatHeading(const FormatGroup& group);
// The artwork of a format's capture button (icons/<stem>.svg).
std::string CaptureIconStem(std::string_view formatId);

}  // namespace BrowserCommands
