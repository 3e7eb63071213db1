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

// Every interface text, once: its key (the enum's name and the language file's key, in the
// order a language file is read) and its English text.
#define VORLANE_UI_TEXTS(X)                                                                        \
  X(Comments, "")                                                                                  \
  X(TrayMenuAbout, "About")                                                                        \
  X(TrayMenuExit, "Exit")                                                                          \
  X(TrayMenuOptions, "Options")                                                                    \
  X(TrayMenuVisit, "Visit Our Site")                                                               \
  X(TrayMenuLastVersion, "Download the Last Version")                                              \
  X(TrayMenuHelp, "Help")                                                                          \
  X(TrayMenuFilters, "Filters")                                                                    \
  X(FilterListEnabled, "En.")                                                                      \
  X(FilterListContentType, "Content Type")                                                         \
  X(FilterListMinSize, "Min Size")                                                                 \
  X(FilterListURL, "URL")                                                                          \
  X(FilterListMinWidth, "Min Width (pixels)")                                                      \
  X(FilterListMinHeight, "Min Height (pixels)")                                                    \
  X(FilterListDirectory, "Folder Path")                                                            \
  X(FilterListFileNameDummy, "Filename Dummy")                                                     \
  X(New, "New")                                                                                    \
  X(Open, "Open")                                                                                  \
  X(Save, "Save")                                                                                  \
  X(Add, "Add")                                                                                    \
  X(Delete, "Delete")                                                                              \
  X(Edit, "Edit")                                                                                  \
  X(Up, "Up")                                                                                      \
  X(Down, "Down")                                                                                  \
  X(Options, "Options")                                                                            \
  X(Help, "Help")                                                                                  \
  X(OpenFolder, "Open Folder")                                                                     \
  X(CheckAll, "Check All")                                                                         \
  X(UncheckAll, "Uncheck All")                                                                     \
  X(OK, "OK")                                                                                      \
  X(Cancel, "Cancel")                                                                              \
  X(CombMozilla, "Capture and Save Files from Mozilla")                                            \
  X(CombIE, "Capture and Save Files from IE and Maxthon")                                          \
  X(BrowseDirectory, "Browse a suitable folder:")                                                  \
  X(ErrorDirectory, "The folder path is wrong. Please, select a correct path.")                    \
  X(ErrorLoadDefaultFilter, "Can't load default filter.")                                          \
  X(ErrorMozillaCacheOpen,                                                                         \
    "Can't open Mozilla cache. Please, define the correct path in the Options dialog.")            \
  X(ErrorCreateFolder, "Can't create the folder")                                                  \
  X(WarningAreYouSure, "Are you sure?")                                                            \
  X(WarningNew, "All the items in the filter will be deleted. Are you sure?")                      \
  X(WarningCloseBrowser, "has to be closed. Please, close the browser and try again.")             \
  X(WarningChanged, "The filter list has been changed. Do you want to save the changes?")          \
  X(WarningIsBusy, "Vorlane is combing the cache now. Please, try it later")                       \
  X(NewFilter, "New Filter")                                                                       \
  X(OptTitle, "Options")                                                                           \
  X(OptStartWithWindowsStartUp, "Start with Windows Startup")                                      \
  X(ShowProgressBar, "Show Progress Bar")                                                          \
  X(OptLanguage, "Language")                                                                       \
  X(OptMain, "Main")                                                                               \
  X(OptBrowsers, "Browsers")                                                                       \
  X(OptFilters, "Filters")                                                                         \
  X(OptUseWithIE, "Use with Microsoft Internet Explorer")                                          \
  X(OptUseWithMaxthon, "Use with Maxthon")                                                         \
  X(OptUseWithMozilla, "Use with Mozilla Firefox")                                                 \
  X(OptFindMozillaCache, "Find Cache")                                                             \
  X(OptMozillaCachePath, "Mozilla Cache Folder")                                                   \
  X(OptOneCopy, "One Copy")                                                                        \
  X(OptSkipDuplicates, "Skip Duplicates")                                                          \
  X(OptDefaultCombPath, "Default Folder to Save")                                                  \
  X(OptDefaultFileNameDummy, "Default Filename Dummy")                                             \
  X(AboutTitle, "About")                                                                           \
  X(OptDecodeContent, "Decode Compressed Files")                                                   \
  X(ErrorCacheOpen, "Can't open the cache")                                                        \
  X(ErrorSaveFile, "Can't save the file in the folder")                                            \
  X(ErrorUnknown, "Unknown error")                                                                 \
  X(SkippedEntries, "cache entries could not be read and were skipped")                            \
  X(FilterListEveryPicture, "Every Picture")                                                       \
  X(FilterListEveryAudio, "Every Audio")                                                           \
  X(FilterListEveryVideo, "Every Video")                                                           \
  X(SaveAs, "Save As")                                                                             \
  X(TrayMenuCaptureNow, "Capture now")                                                             \
  X(TrayMenuOpenSaved, "Open saved files")                                                         \
  X(TrayMenuPauseWatching, "Pause watching")                                                       \
  X(TrayMenuNoCache, "No browser cache found")                                                     \
  X(DontSave, "Don't Save")                                                                        \
  X(WarningDeleteFilter, "Delete this filter?")                                                    \
  X(TipNew, "New filter list")                                                                     \
  X(TipOpen, "Open a filter list")                                                                 \
  X(TipSave, "Save the filter list")                                                               \
  X(TipSaveAs, "Save the filter list in another file")                                             \
  X(TipAdd, "Add a filter")                                                                        \
  X(TipDelete, "Delete the selected filter")                                                       \
  X(TipEdit, "Edit the selected filter")                                                           \
  X(TipUp, "Move the selected filter up")                                                          \
  X(TipDown, "Move the selected filter down")                                                      \
  X(TipOptions, "Options: browsers, folders, language")                                            \
  X(TipHelp, "Open the manual")                                                                    \
  X(OptUseWithBrowser, "Use with %BROWSER%")                                                       \
  X(OptNoWineCache, "No Wine prefix with a URL cache was found ($WINEPREFIX, ~/.wine)")            \
  X(AboutNotice, "Free software by the Vorlane developers.")                                       \
  X(HintLiveCapture,                                                                               \
    "This cache can be read while the browser runs: tick \"Capture While the Browser Runs\" in "   \
    "the Options, or use vorlane-cli --live.")                                                     \
  X(HintFilterNeverMatches,                                                                        \
    "With One Copy on, this filter gets no file: the filter above it takes every entry it would "  \
    "take:")                                                                                       \
  X(ChooseFilterFolder, "Choose the folder for this filter's files")                               \
  X(ChooseDefaultFolder, "Choose the default folder for saved files")                              \
  X(ChooseCacheFolder, "Choose the browser's cache folder")                                        \
  /* The language's ISO 639-1 code: the toolkit's own texts follow it. */                          \
  X(LanguageCode, "en")                                                                            \
  X(OptStartAtLogin, "Start at login")                                                             \
  X(AskStartAtLogin,                                                                               \
    "Start Vorlane at login? It then watches your browsers from the moment you log in. You can "   \
    "change this later in the Options dialog.")                                                    \
  X(CaptureFrom, "Capture and Save Files from")                                                    \
  X(OptGroupMozilla, "Firefox disk cache")                                                         \
  X(OptGroupUrlCache, "URL cache of Internet Explorer and Maxthon (under Wine)")                   \
  X(OptGroupUrlCacheWindows, "URL cache of Internet Explorer and Maxthon")                         \
  /* No-break spaces keep each number with its unit when the message wraps. */                     \
  X(ErrorMinSize,                                                                                  \
    "Min Size must be a number of bytes with an optional unit: 10\u00A0KB or 1.5\u00A0MB (KB and " \
    "MB are 1000 and 1000000 bytes), 64\u00A0KiB or 2\u00A0MiB (KiB and MiB are 1024 and 1048576 " \
    "bytes).")                                                                                     \
  X(HintPixelTest,                                                                                 \
    "The pixel test needs both Min Width and Min Height: with only one of them no picture size "   \
    "is checked. Enter both, or 0 in both.")                                                       \
  X(ErrorDirectoryNotAbsolute,                                                                     \
    "The path must be absolute: it begins with / (or with ~/ for your home folder).")              \
  X(ErrorDirectoryIsRoot, "The root folder itself can't be the output folder.")                    \
  X(ErrorDirectoryNotLocal,                                                                        \
    "The folder is not on a local disk: network and removable drives are refused.")                \
  X(ErrorDirectoryCannotCreate, "The folder can't be created there: a file is in the way.")        \
  X(ErrorSaveFilter, "Can't save the filter in")                                                   \
  X(ErrorLoadFilter, "Can't load the filter from")                                                 \
  X(OptKeepServerTime, "Give Saved Files the Server's Time")                                       \
  X(OptCaptureWhileRunning, "Capture While the Browser Runs (Firefox, Chromium family)")           \
  X(ErrorFolderInCache,                                                                            \
    "The folder lies inside the cache being read: what is saved there would be read as cache "     \
    "entries. Choose a folder outside the cache.")                                                 \
  X(NoNewFiles, "No new files")                                                                    \
  X(NoNewFilesCacheEmpty, "the cache holds no entries")                                            \
  X(NoNewFilesNoFilter, "no filter is enabled")                                                    \
  X(SkipDuplicate, "already saved")                                                                \
  X(SkipTooSmall, "smaller than the filters ask")                                                  \
  X(SkipTooFewPixels, "fewer pixels than the filters ask")                                         \
  X(SkipNoMatch, "matched no filter")                                                              \
  X(SkipUnreadable, "could not be read")                                                           \
  X(SkipIncomplete, "incomplete in the cache")                                                     \
  X(SkipNoFolder, "with no folder that could be made")                                             \
  X(SkipOutsideTime, "cached before the time asked for")                                           \
  X(ErrorDirectoryReadOnly, "The folder is on a read-only file system: nothing can be saved.")     \
  X(NotDecodedFiles, "saved as stored, not decoded: decoding them would have filled the disk")     \
  X(TipWatching, "watching")                                                                       \
  X(TipWatchingPaused, "watching paused")                                                          \
  X(TipLastCapture, "Last capture")                                                                \
  X(TipNewFile, "new file")                                                                        \
  X(TipNewFiles, "new files")

// clang-format off
enum class UiTextKey : uint8_t {
#define VORLANE_UI_TEXT_KEY(key, english) key,
  VORLANE_UI_TEXTS(VORLANE_UI_TEXT_KEY)
#undef VORLANE_UI_TEXT_KEY
  Count
};
// clang-format on

struct UiTextDefinition {
  std::string_view Key;
  std::string_view English;
};

inline constexpr size_t UiTextCount = static_cast<size_t>(UiTextKey::Count);

inline constexpr std::array<UiTextDefinition, UiTextCount> UiTextTable{{
#define VORLANE_UI_TEXT_ROW(key, english) {#key, english},
    VORLANE_UI_TEXTS(VORLANE_UI_TEXT_ROW)
#undef VORLANE_UI_TEXT_ROW
}};

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
