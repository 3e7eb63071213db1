#pragma once

#include <vector>

#include "app/OptionsView.h"
#include "config/LanguageList.h"

// The options dialog: its values loaded from the settings, the language list, and OK,
// which stores the values as typed (none is checked here), loads the chosen language
// and writes the settings file. UI thread only, like every controller.
class OptionsController {
 public:
  explicit OptionsController(OptionsView& view);

  // Shows the settings. When the language setting names no file of the list, the first
  // file is chosen and the setting points at it at once, even if the dialog is then
  // cancelled: the setting named a file that is no longer there.
  void Load();
  // OK. The chosen language is loaded again even when it did not change.
  void Apply();
  void BrowseFolder(OptionsView::Folder field);
  void Help();

  const std::vector<LanguageEntry>& Languages() const { return LanguageFiles; }

 private:
  OptionsView& View;
  std::vector<LanguageEntry> LanguageFiles;
};
