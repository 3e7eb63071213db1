#pragma once

#include <string>
#include <vector>

#include "app/OptionsView.h"
#include "config/LanguageList.h"

// The options dialog: which browsers it offers and how they are grouped, its values
// loaded from the settings, the language list, the cache search, and OK, which stores
// the values as typed (none is checked here), loads the chosen language and writes the
// settings file. UI thread only, like every controller.
class OptionsController {
 public:
  // The browsers of one cache format under their heading, in table order.
  struct BrowserGroup {
    std::string Heading;
    std::vector<int> Browsers;
    // The browsers of the group whose cache folder may be named: a row each (a label, a
    // Find button, the folder with its "...") below the group's check boxes.
    std::vector<int> NamedFolders;
  };
  static std::vector<BrowserGroup> BrowserGroups();
  // A browser's check box ("Use with Mozilla Firefox").
  static std::string WatchText(int code);
  // The label and the Find button of a browser's cache folder row.
  static std::string FolderLabel(int code);
  static std::string FindText(int code);

  explicit OptionsController(OptionsView& view);

  // Shows the settings; a browser that is not available here (BrowserCommands::
  // Unavailable) unticked and greyed out with its reason, its setting kept as it is. When
  // the language setting names no file of the list, the first
  // file is chosen and the setting points at it at once, even if the dialog is then
  // cancelled: the setting named a file that is no longer there.
  void Load();
  // A browser's check box turned: its cache folder row is usable exactly while checked.
  void WatchChanged();
  // Find Cache: the first cache folder of the browser found now replaces the field, or
  // the field is emptied and the user told where the search looked.
  void FindCache(int code);
  // "...": the chosen folder replaces the field's text; cancelling keeps it.
  void BrowseFolder(int field);
  void Help();
  // OK. The chosen language is loaded again even when it did not change.
  void Apply();

  const std::vector<LanguageEntry>& Languages() const { return LanguageFiles; }

 private:
  OptionsView& View;
  std::vector<LanguageEntry> LanguageFiles;
  // By browser code: not available here, so its box does not say what its setting is.
  std::array<bool, BrowserCount> Unavailable{};
};
