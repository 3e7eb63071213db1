#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The interface texts by language key. Each starts as its English text; a language
// file replaces any of them. Texts are plain text: callers show them as they are and
// never use one as a format pattern, so "%s" or "{}" in a file stays literal.

// The keys in the order a language file is read.
enum class UiTextKey : uint8_t {
  Comments,
  TrayMenuAbout,
  TrayMenuExit,
  TrayMenuOptions,
  TrayMenuVisit,
  TrayMenuLastVersion,
  TrayMenuHelp,
  TrayMenuFilters,
  FilterListEnabled,
  FilterListContentType,
  FilterListMinSize,
  FilterListURL,
  FilterListMinWidth,
  FilterListMinHeight,
  FilterListDirectory,
  FilterListFileNameDummy,
  New,
  Open,
  Save,
  Add,
  Delete,
  Edit,
  Up,
  Down,
  Options,
  Help,
  OpenFolder,
  CheckAll,
  UncheckAll,
  OK,
  Cancel,
  CombMozilla,
  CombIE,
  BrowseDirectory,
  ErrorDirectory,
  ErrorLoadDefaultFilter,
  ErrorMozillaCacheOpen,
  ErrorCreateFolder,
  WarningAreYouSure,
  WarningNew,
  WarningCloseBrowser,
  WarningChanged,
  WarningIsBusy,
  NewFilter,
  OptTitle,
  OptStartWithWindowsStartUp,
  ShowProgressBar,
  OptLanguage,
  OptMain,
  OptBrowsers,
  OptFilters,
  OptUseWithIE,
  OptUseWithMaxthon,
  OptUseWithMozilla,
  OptFindMozillaCache,
  OptMozillaCachePath,
  OptOneCopy,
  OptSkipDuplicates,
  OptDefaultCombPath,
  OptDefaultFileNameDummy,
  AboutTitle,
  OptDecodeContent,
  ErrorCacheOpen,
  ErrorSaveFile,
  ErrorUnknown,
  SkippedEntries,
  FilterListEveryPicture,
  FilterListEveryAudio,
  FilterListEveryVideo,
  SaveAs,
  TrayMenuCaptureNow,
  TrayMenuOpenSaved,
  TrayMenuPauseWatching,
  TrayMenuNoCache,
  OptStartAtLogin,
  AskStartAtLogin,
  OptUseWith,
  CaptureFrom,
  OptGroupMozilla,
  OptGroupUrlCache,
  ErrorMinSize,
  HintPixelTest,
  ErrorDirectoryNotAbsolute,
  ErrorDirectoryIsRoot,
  ErrorDirectoryNotLocal,
  ErrorDirectoryCannotCreate,
  ErrorSaveFilter,
  ErrorLoadFilter,
  OptKeepServerTime,
  OptCaptureWhileRunning,
  Count
};

struct UiTextDefinition {
  std::string_view Key;
  std::string_view English;
};

inline constexpr size_t UiTextCount = static_cast<size_t>(UiTextKey::Count);

inline constexpr std::array<UiTextDefinition, UiTextCount> UiTextTable{{
    {"Comments", ""},
    {"TrayMenuAbout", "About"},
    {"TrayMenuExit", "Exit"},
    {"TrayMenuOptions", "Options"},
    {"TrayMenuVisit", "Visit Our Site"},
    {"TrayMenuLastVersion", "Download the Last Version"},
    {"TrayMenuHelp", "Help"},
    {"TrayMenuFilters", "Filters"},
    {"FilterListEnabled", "En."},
    {"FilterListContentType", "Content Type"},
    {"FilterListMinSize", "Min Size"},
    {"FilterListURL", "URL"},
    {"FilterListMinWidth", "Min Width (pixels)"},
    {"FilterListMinHeight", "Min Height (pixels)"},
    {"FilterListDirectory", "Folder Path"},
    {"FilterListFileNameDummy", "Filename Dummy"},
    {"New", "New"},
    {"Open", "Open"},
    {"Save", "Save"},
    {"Add", "Add"},
    {"Delete", "Delete"},
    {"Edit", "Edit"},
    {"Up", "Up"},
    {"Down", "Down"},
    {"Options", "Options"},
    {"Help", "Help"},
    {"OpenFolder", "Open Folder"},
    {"CheckAll", "Check All"},
    {"UncheckAll", "Uncheck All"},
    {"OK", "OK"},
    {"Cancel", "Cancel"},
    {"CombMozilla", "Capture and Save Files from Mozilla"},
    {"CombIE", "Capture and Save Files from IE and Maxthon"},
    {"BrowseDirectory", "Browse a suitable folder:"},
    {"ErrorDirectory", "The folder path is wrong. Please, select a correct path."},
    {"ErrorLoadDefaultFilter", "Can't load default filter."},
    {"ErrorMozillaCacheOpen",
     "Can't open Mozilla cache. Please, define the correct path in the Options dialog."},
    {"ErrorCreateFolder", "Can't create the folder"},
    {"WarningAreYouSure", "Are you sure?"},
    {"WarningNew", "All the items in the filter will be deleted. Are you sure?"},
    {"WarningCloseBrowser", "has to be closed. Please, close the browser and try again."},
    {"WarningChanged", "The filter has been changed. Would you like to save the filter in a file?"},
    {"WarningIsBusy", "Vorlane is combing the cache now. Please, try it later"},
    {"NewFilter", "New Filter"},
    {"OptTitle", "Options"},
    {"OptStartWithWindowsStartUp", "Start with Windows Startup"},
    {"ShowProgressBar", "Show Progress Bar"},
    {"OptLanguage", "Language"},
    {"OptMain", "Main"},
    {"OptBrowsers", "Browsers"},
    {"OptFilters", "Filters"},
    {"OptUseWithIE", "Use with Microsoft Internet Explorer"},
    {"OptUseWithMaxthon", "Use with Maxthon"},
    {"OptUseWithMozilla", "Use with Mozilla Firefox"},
    {"OptFindMozillaCache", "Find Cache"},
    {"OptMozillaCachePath", "Mozilla Cache Folder"},
    {"OptOneCopy", "One Copy"},
    {"OptSkipDuplicates", "Skip Duplicates"},
    {"OptDefaultCombPath", "Default Folder to Save"},
    {"OptDefaultFileNameDummy", "Default Filename Dummy"},
    {"AboutTitle", "About"},
    {"OptDecodeContent", "Decode Compressed Files"},
    {"ErrorCacheOpen", "Can't open the cache"},
    {"ErrorSaveFile", "Can't save the file in the folder"},
    {"ErrorUnknown", "Unknown error"},
    {"SkippedEntries", "cache entries could not be read and were skipped"},
    {"FilterListEveryPicture", "Every Picture"},
    {"FilterListEveryAudio", "Every Audio"},
    {"FilterListEveryVideo", "Every Video"},
    {"SaveAs", "Save As"},
    {"TrayMenuCaptureNow", "Capture now"},
    {"TrayMenuOpenSaved", "Open saved files"},
    {"TrayMenuPauseWatching", "Pause watching"},
    {"TrayMenuNoCache", "No browser cache found"},
    {"OptStartAtLogin", "Start at login"},
    {"AskStartAtLogin",
     "Start Vorlane at login? It then watches your browsers from the moment you log in. You can "
     "change this later in the Options dialog."},
    {"OptUseWith", "Use with"},
    {"CaptureFrom", "Capture and Save Files from"},
    {"OptGroupMozilla", "Firefox disk cache"},
    {"OptGroupUrlCache", "URL cache of Internet Explorer and Maxthon (under Wine)"},
    {"ErrorMinSize",
     // No-break spaces keep each number with its unit when the message wraps.
     "Min Size must be a number of bytes with an optional unit: 10\u00A0KB or 1.5\u00A0MB (KB and "
     "MB are 1000 and 1000000 bytes), 64\u00A0KiB or 2\u00A0MiB (KiB and MiB are 1024 and 1048576 "
     "bytes)."},
    {"HintPixelTest",
     "The pixel test needs both Min Width and Min Height: with only one of them no picture size is "
     "checked. Enter both, or 0 in both."},
    {"ErrorDirectoryNotAbsolute",
     "The path must be absolute: it begins with / (or with ~/ for your home folder)."},
    {"ErrorDirectoryIsRoot", "The root folder itself can't be the output folder."},
    {"ErrorDirectoryNotLocal",
     "The folder is not on a local disk: network and removable drives are refused."},
    {"ErrorDirectoryCannotCreate", "The folder can't be created there: a file is in the way."},
    {"ErrorSaveFilter", "Can't save the filter in"},
    {"ErrorLoadFilter", "Can't load the filter from"},
    {"OptKeepServerTime", "Give Saved Files the Server's Time"},
    {"OptCaptureWhileRunning", "Capture While the Browser Runs (Firefox, Chromium family)"},
}};

static_assert(UiTextTable[static_cast<size_t>(UiTextKey::Comments)].Key == "Comments");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::OK)].Key == "OK");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::NewFilter)].Key == "NewFilter");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::AboutTitle)].Key == "AboutTitle");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::OptDecodeContent)].Key ==
              "OptDecodeContent");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::SkippedEntries)].Key == "SkippedEntries");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::FilterListEveryVideo)].Key ==
              "FilterListEveryVideo");
static_assert(UiTextTable[static_cast<size_t>(UiTextKey::ErrorLoadFilter)].Key ==
              "ErrorLoadFilter");

// The process-wide table. Reads may come from any thread; the texts change only at
// start-up and when the options dialog is accepted.
class UiTexts {
 public:
  static std::string Get(UiTextKey key);
  // Replaces one text (an empty text included).
  static void Set(UiTextKey key, std::string text);
  // Back to the built-in English texts.
  static void Reset();
};

// Name of a key as it stands in a language file.
inline std::string_view UiTextKeyName(UiTextKey key) {
  return UiTextTable[static_cast<size_t>(key)].Key;
}
// The key of a name (parts below the table name texts by their key's name); nothing for
// a name that is no key.
std::optional<UiTextKey> FindUiTextKey(std::string_view name);

// A message as the core hands it to the front end: which text, what it is about (a
// browser's name, put before the text), the path it concerns and the system's reason.
struct UiMessage {
  UiTextKey Text = UiTextKey::ErrorUnknown;
  std::string Subject;
  std::string Path;
  std::string Reason;
};
// The message in the interface language: subject, text, then the path and the
// system's reason each on a line of its own.
std::string ComposeMessage(const UiMessage& message);

// Reads every key from section GENERAL of the file; a non-empty value replaces the
// key's text, a missing or empty one keeps the text loaded before (nothing is reset
// to English first). A missing or unreadable file changes nothing. Always true.
bool LoadLanguage(const std::string& path);

// The display name of a language file (key "Language" in GENERAL), or "".
std::string ReadLanguageName(const std::string& path);
