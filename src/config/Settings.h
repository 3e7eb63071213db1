#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The program's options, one field per key of the settings file (section GENERAL),
// in the file's order, with their defaults.
struct Settings {
  bool Mozilla = true;
  std::string MozillaCachePath;
  bool IE = true;
  bool Maxthon = true;
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
// The scratch folder, computed afresh each time: DataFolder, or ProgramFolder + "Temp".
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
// Makes the start-with-login entry follow StartWithWindowsStartUp.
void ApplyStartWithWindows();
// Deletes every file of the scratch folder except the settings file (and the temporary
// siblings of a settings write in progress) and the filter file in use; sub-folders
// stay. Does nothing when the scratch folder is unknown or not an absolute path.
void CleanScratchFolder();
