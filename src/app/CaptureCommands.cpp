#include "app/CaptureCommands.h"

#include <algorithm>

#include "app/BrowserCommands.h"
#include "config/BrowserTable.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"

CaptureCommands::CaptureCommands(CQuellbyMain& engine) : Engine(engine) {
  for (const BrowserCommands::CaptureGroup& group : BrowserCommands::CaptureGroups()) {
    Tool tool;
    tool.IconStem = BrowserCommands::CaptureIconStem(group.FormatId);
    for (const BrowserInfo* browser : group.Browsers) tool.Codes.push_back(browser->Code);
    tool.Current = tool.Codes.front();
    ToolList.push_back(std::move(tool));
  }
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
  if (offered.empty()) offered = ToolList.at(tool).Codes;
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
  Engine.StartCapture(code);
}

void CaptureCommands::RunTool(size_t tool) {
  Capture(ToolList.at(tool).Current);
}

void CaptureCommands::Choose(size_t tool, int code) {
  Tool& chosen = ToolList.at(tool);
  if (std::find(chosen.Codes.begin(), chosen.Codes.end(), code) == chosen.Codes.end()) return;
  chosen.Current = code;
  Capture(code);
}
