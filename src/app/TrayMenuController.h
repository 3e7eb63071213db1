#pragma once

#include <string>
#include <vector>

#include "app/TrayMenuView.h"

class CQuellbyMain;

// The tray menu: its items with their texts and states, and what the commands do that
// are not the filter list's (the main window's Options and Help buttons run the same
// Options and Help). UI thread only, like every controller.
class TrayMenuController {
 public:
  // The items below the menu's title strip, top to bottom.
  enum class Command {
    Filters,
    Options,
    CaptureNow,  // a submenu of the captures on command
    OpenSaved,
    PauseWatching,
    Visit,
    Download,
    Help,
    About,
    Exit
  };
  static constexpr int CommandCount = 10;

  struct Item {
    Command Id;
    std::string Text;
    bool Checkable = false;
    bool Checked = false;
    bool Default = false;  // shown bold; a left click on the icon does the same
    bool SeparatorAfter = false;
  };

  TrayMenuController(CQuellbyMain& engine, TrayMenuView& view);

  // The menu as it opens now, in the current language.
  std::vector<Item> Items() const;
  void Run(Command command);

  // Options: the dialog, then the window drawn again after a new language or One Copy,
  // and the watchers as the settings now ask. Nothing while busy.
  void Options();
  // The manual; nothing while busy.
  void Help();
  // Opens the default save folder (the part before any folder token), making it first.
  void OpenSavedFiles();
  // Stops every watcher, or starts the watched ones again.
  void SetWatchingPaused(bool paused);
  bool IsWatchingPaused() const { return WatchingPaused; }

 private:
  CQuellbyMain& Engine;
  TrayMenuView& View;
  bool WatchingPaused = false;
};
