#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "engine/MessageSink.h"

// What the options dialog shows: one value per control.
struct OptionsValues {
  bool StartWithLogin = false;
  bool ShowProgress = false;
  std::array<bool, BrowserCount> Watch{};  // by browser code
  // By browser code; only browsers whose cache folder may be named have a field.
  std::array<std::string, BrowserCount> CacheFolders{};
  bool OneCopy = false;
  bool SkipDuplicates = false;
  bool DecodeContent = false;
  bool KeepServerTime = false;
  bool CaptureWhileRunning = false;
  std::string DefaultFolder;
  std::string DefaultFileName;
  int Language = -1;  // the chosen entry of the language list; -1 none
};

// What the options dialog needs of a front end. OptionsController calls it on the UI
// thread only, while the dialog runs modally.
class OptionsView {
 public:
  // The folder fields with a "..." chooser: a browser's cache folder by its code, or
  // the default folder of new filters.
  static constexpr int DefaultFolderField = -1;

  virtual ~OptionsView() = default;

  // The values as the user has them now.
  virtual OptionsValues Values() const = 0;
  virtual void ShowValues(const OptionsValues& values) = 0;
  // The language list's entries, by display name, in list order.
  virtual void ShowLanguages(const std::vector<std::string>& names) = 0;
  virtual void ShowFolder(int field, const std::string& text) = 0;
  // Selects the field's text and gives it the keyboard.
  virtual void FocusFolder(int field) = 0;
  // A browser's check box greyed out, its reason for being so shown with it.
  virtual void ShowUnavailable(int code, const std::string& reason) = 0;
  // A browser's cache folder row (field, Find, "...") usable or greyed out.
  virtual void EnableCacheFolder(int code, bool enabled) = 0;
  // A folder chooser titled `title` that opens at `start`; nothing when cancelled.
  virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                  const std::string& start) = 0;
  virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
  // A file opened with the desktop (the manual).
  virtual void Open(const std::string& target) = 0;
};
