#include "app/CaptureCommands.h"

#include <algorithm>

#include "app/BrowserCommands.h"
#include "base/Text.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"

namespace {

bool Contains(const std::vector<int>& codes, int code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The browsers of LastCapture that are in the table, in its order.
std::vector<int> LastCaptured() {
  const std::string kept = CurrentSettings().LastCapture;
  std::vector<int> codes;
  for (const std::string_view name : Text::Split(kept, ',')) {
    if (const BrowserInfo* browser = FindBrowserByCliName(Text::TrimBlanks(name))) {
      codes.push_back(browser->Code);
    }
  }
  return codes;
}

}  // namespace

CaptureCommands::CaptureCommands(CQuellbyMain& engine) : Engine(engine) {
  for (const BrowserCommands::CaptureGroup& group : BrowserCommands::CaptureGroups()) {
    Tool tool;
    tool.IconStem = BrowserCommands::CaptureIconStem(group.FormatId);
    for (const BrowserInfo* browser : group.Browsers) tool.Codes.push_back(browser->Code);
    tool.Current = tool.Codes.front();
    ToolList.push_back(std::move(tool));
  }
  Refresh();
}

void CaptureCommands::Refresh() {
  const std::vector<int> last = LastCaptured();
  for (Tool& tool : ToolList) {
    std::vector<int> found;
    for (const int code : tool.Codes) {
      if (CQuellbyMain::HasCache(code)) found.push_back(code);
    }
    const auto used = std::find_if(last.begin(), last.end(),
                                   [&](int code) { return Contains(tool.Codes, code); });
    if (used != last.end() && (found.empty() || Contains(found, *used))) {
      tool.Current = *used;
    } else if (!found.empty()) {
      tool.Current = found.front();
    } else if (!Contains(tool.Codes, tool.Current)) {
      tool.Current = tool.Codes.front();
    }
  }
}

void CaptureCommands::MakeCurrent(size_t tool, int code) {
  ToolList.at(tool).Current = code;
  // Kept per tool: the others' last browsers stay as they were.
  std::string kept;
  for (const Tool& each : ToolList) {
    const BrowserInfo* browser = FindBrowser(each.Current);
    if (!browser) continue;
    if (!kept.empty()) kept += ',';
    kept += browser->CliName;
  }
  UpdateSettings([&](Settings& settings) { settings.LastCapture = kept; });
}

bool CaptureCommands::Offered(size_t tool) const {
  const std::vector<int>& codes = ToolList.at(tool).Codes;
  return std::any_of(codes.begin(), codes.end(),
                     [](int code) { return BrowserCommands::Unavailable(code).empty(); });
}

std::string CaptureCommands::Label(size_t tool) const {
  const BrowserInfo* browser = FindBrowser(ToolList.at(tool).Current);
  return browser ? BrowserCommands::CaptureLabel(*browser) : std::string();
}

std::string CaptureCommands::Tooltip(size_t tool) const {
  const BrowserInfo* browser = FindBrowser(ToolList.at(tool).Current);
  return browser ? CaptureTextOf(*browser) : std::string();
}

std::vector<CaptureCommands::Entry> CaptureCommands::Choices(size_t tool) const {
  std::vector<int> offered;
  for (const int code : ToolList.at(tool).Codes) {
    if (CQuellbyMain::HasCache(code)) offered.push_back(code);
  }
  if (offered.empty()) return {{-1, UiTexts::Get(UiTextKey::TrayMenuNoCache), false}};
  std::vector<Entry> entries;
  for (const int code : offered) {
    entries.push_back({code, BrowserCommands::CaptureLabel(*FindBrowser(code)), true});
  }
  return entries;
}

int CaptureCommands::ToolOf(int code) const {
  const BrowserInfo* browser = FindBrowser(code);
  if (!browser) return -1;
  for (const BrowserInfo* sharer : CacheSharers(*browser)) {
    for (size_t i = 0; i < ToolList.size(); ++i) {
      const std::vector<int>& codes = ToolList[i].Codes;
      if (std::find(codes.begin(), codes.end(), sharer->Code) != codes.end()) {
        return static_cast<int>(i);
      }
    }
  }
  return -1;
}

std::vector<CaptureCommands::Entry> CaptureCommands::CaptureNow() const {
  const bool busy = Engine.IsBusy();
  std::vector<Entry> entries;
  for (const int code : BrowserCommands::CaptureNowCodes()) {
    entries.push_back({code, BrowserCommands::CaptureLabel(*FindBrowser(code)), !busy});
  }
  if (entries.empty()) entries.push_back({-1, UiTexts::Get(UiTextKey::TrayMenuNoCache), false});
  return entries;
}

void CaptureCommands::Capture(int code) {
  if (Engine.IsBusy()) return;
  for (size_t tool = 0; tool < ToolList.size(); ++tool) {
    if (Contains(ToolList[tool].Codes, code)) MakeCurrent(tool, code);
  }
  Engine.StartCapture(code);
}

void CaptureCommands::RunTool(size_t tool) {
  Capture(ToolList.at(tool).Current);
}

void CaptureCommands::Choose(size_t tool, int code) {
  if (!Contains(ToolList.at(tool).Codes, code)) return;
  MakeCurrent(tool, code);
  Capture(code);
}
