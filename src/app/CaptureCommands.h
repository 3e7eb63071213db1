#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CQuellbyMain;

// The captures on command the windows offer: one tool per cache format with a capture
// command (a format of several browsers offers those whose cache is found, and captures
// the one used last, kept across starts), and the tray menu's "Capture now" entries. A
// capture does nothing while the engine is busy. UI thread only, like every controller.
class CaptureCommands {
 public:
  struct Tool {
    std::string IconStem;    // icons/<stem>.svg
    std::vector<int> Codes;  // the browsers it captures, in table order
    int Current = 0;         // the one a click captures
  };
  // A browser a menu offers. Code -1: the note that no cache was found, not a command.
  struct Entry {
    int Code = -1;
    std::string Text;
    bool Enabled = true;
  };

  explicit CaptureCommands(CQuellbyMain& engine);

  const std::vector<Tool>& Tools() const { return ToolList; }
  // Whether a tool's button shows: not where every browser of it is unavailable here
  // (BrowserCommands::Unavailable).
  bool Offered(size_t tool) const;
  // A tool's text and tooltip: those of its current browser.
  std::string Label(size_t tool) const;
  std::string Tooltip(size_t tool) const;
  // What a tool's menu offers now: its browsers whose cache is found, in table order;
  // when none is, only the greyed note that no cache was found.
  std::vector<Entry> Choices(size_t tool) const;
  // The tool that captures a browser's cache (its own or one it shares), -1 for none.
  int ToolOf(int code) const;
  // "Capture now": each watched browser (itself or through one sharing its cache) whose
  // cache is found now; greyed out while busy.
  std::vector<Entry> CaptureNow() const;

  // Captures a browser's cache; the tool that captures it makes it its current one.
  void Capture(int code);
  // A click on a tool: its current browser.
  void RunTool(size_t tool);
  // A browser chosen from a tool's menu: from now on the tool's current one, captured.
  void Choose(size_t tool, int code);
  // Each tool's current browser again: the one used last while its cache is found, else
  // the first of the tool whose cache is found (the first of all when none is).
  void Refresh();

 private:
  void MakeCurrent(size_t tool, int code);

  CQuellbyMain& Engine;
  std::vector<Tool> ToolList;
};
