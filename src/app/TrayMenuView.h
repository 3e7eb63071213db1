#pragma once

#include <string>

// What the tray menu's commands need of a front end. TrayMenuController calls it on the
// UI thread only.
class TrayMenuView {
 public:
  virtual ~TrayMenuView() = default;

  // Shows the main window and brings it to the front.
  virtual void ShowMainWindow() = 0;
  // The options dialog, modal: true when it closed with OK (the settings are then
  // written and a chosen language loaded).
  virtual bool RunOptions() = 0;
  // The about box, modal.
  virtual void ShowAbout() = 0;
  // Ends the program (the front end's own way out, after its own questions).
  virtual void RequestExit() = 0;
  // Draws every text of the window again in the current language.
  virtual void ShowTexts() = 0;
  // A folder, file or web address opened with the desktop.
  virtual void Open(const std::string& target) = 0;
  // What is watched changed (Options, Pause watching): the tray's tooltip says it.
  virtual void WatchingChanged() {}
};
