#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "config/BrowserTable.h"

// The program's options, one field per key of the settings file (section GENERAL),
// in the file's order, with their defaults.
struct Settings {
  // Each browser's watcher switch, by browser code; keys and defaults come from the
  // browser table (Mozilla, IE, Maxthon...).
  std::array<bool, BrowserCount> Watch = DefaultWatch();
  // The cache folder named for a browser, by browser code (only rows with a
  // CacheFolder key keep one; empty: the cache is found).
  std::array<std::string, BrowserCount> CacheFolders{};
  std::string DefaultCombPath = "~/VOR_SAVES";
  std::string DefaultFileNameDummy = "file";
  std::string FiltersFileName;
  bool ShowNotifyProgressBar = true;
  bool NotifyProgressBarOnCenter = true;
  int32_t NotifyProgressTransparency = 100;
  bool OneCopy = true;
  bool SkipDuplicates = true;
  bool StartWithWindowsStartUp = true;
  std::string Language;  // default: LanguagesFolder + "/English.lng"
  // Saved bodies stored with a Content-Encoding (gzip, br...) are decoded.
  bool DecodeContent = true;
  // A saved file's modification time is the response's Last-Modified (else Date).
  bool KeepServerTime = false;
  // A capture on command may run while the browser runs, for caches whose entries are
  // files of their own with their own checks (Firefox cache2, Chromium's simple cache).
  bool CaptureWhileRunning = false;
  // The user has answered the first start's question about starting at login (or has
  // accepted the options dialog); until then no start-with-login entry is written.
  bool StartWithLoginAsked = false;
  // The browsers last captured on command, one per capture tool, by command-line name
  // ("chromium,ie"): each tool offers its own again after a restart.
  std::string LastCapture;

  static std::array<bool, BrowserCount> DefaultWatch();
};

// Where the program's own files are; computed once, before the settings are read.
struct Places {
  std::string ExecutablePath;
  std::string ProgramFolder;  // ends with a separator
  std::string DataFolder;     // local app data + "/Vorlane"; empty when unknown
  std::string SettingsPath;
  std::string DefaultFilterPath;
  std::string LanguagesFolder;
  std::string HelpFilePath;
};

// Computes the places from the platform (executable, XDG folders).
Places ComputePlaces();
// The process-wide places; ComputePlaces() on first use.
const Places& ProgramPlaces();
// Replaces the process-wide places (start-up, and tests that run in a sandbox).
void SetProgramPlaces(const Places& places);
// The scratch folder, a folder of the program's own that holds only what the program
// puts there: DataFolder + "/Temp" (ProgramFolder + "Temp" when there is no data folder).
std::string ScratchFolder();

// The process-wide settings. Readers take a snapshot, writers change them under the
// settings lock, so a capture on another thread never sees a half-made change.
Settings CurrentSettings();
void UpdateSettings(const std::function<void(Settings&)>& change);
// Back to the defaults (with Language from the current places).
void ResetSettings();

// Reads every key from the settings file; missing or empty values keep the field.
bool ReadSettings();
// Writes every key (atomically, keeping other lines), then ApplyStartWithWindows.
bool WriteSettings();
// Makes the start-with-login entry follow StartWithWindowsStartUp, once the user has
// been asked (StartWithLoginAsked); before that the entry is left as it is.
void ApplyStartWithWindows();
// The user's own copy of the default filters: DataFolder + "/Filters/Default.flt"
// ("" without a data folder).
std::string UserFilterPath();
// The filter list in use is the user's: when the settings name no filter file or the
// shipped default (read-only in an installed program), the shipped file is copied to
// UserFilterPath() unless a copy is there already, and the settings name the copy.
// Returns whether the settings now name the user's copy; false leaves them unchanged.
bool SelectUserFilterFile();
// Deletes the files of the scratch folder (only that folder's own regular files; links
// and sub-folders stay). Does nothing when the scratch folder is unknown or not an
// absolute path. Nothing else of the data folder is ever deleted.
void CleanScratchFolder();
