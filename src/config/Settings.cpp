#include "config/Settings.h"

#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

#include "config/IniFile.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

constexpr std::string_view kSection = "GENERAL";
constexpr std::string_view kSettingsFileName = "VOR.cfg";

// Every key of the settings file, in the file's order, with its field.
template <typename SettingsRecord, typename Visit>
void ForEachField(SettingsRecord& settings, Visit&& visit) {
  // A browser's watcher switch, then the cache folder named for it where it has one.
  const auto visitBrowser = [&](const BrowserInfo& browser) {
    const auto code = static_cast<size_t>(browser.Code);
    visit(browser.SettingsKey, settings.Watch[code]);
    if (!browser.CacheFolder.SettingsKey.empty()) {
      visit(browser.CacheFolder.SettingsKey, settings.CacheFolders[code]);
    }
  };
  visitBrowser(Browsers()[Firefox]);
  visitBrowser(Browsers()[InternetExplorer]);
  visitBrowser(Browsers()[Maxthon]);
  visit("DefaultCombPath", settings.DefaultCombPath);
  visit("DefaultFileNameDummy", settings.DefaultFileNameDummy);
  visit("FiltersFileName", settings.FiltersFileName);
  visit("ShowNotifyProgressBar", settings.ShowNotifyProgressBar);
  visit("NotifyProgressBarOnCenter", settings.NotifyProgressBarOnCenter);
  visit("NotifyProgressTransparency", settings.NotifyProgressTransparency);
  visit("OneCopy", settings.OneCopy);
  visit("SkipDuplicates", settings.SkipDuplicates);
  visit("StartWithWindowsStartUp", settings.StartWithWindowsStartUp);
  visit("Language", settings.Language);
  visit("DecodeContent", settings.DecodeContent);
  visit("KeepServerTime", settings.KeepServerTime);
  visit("CaptureWhileRunning", settings.CaptureWhileRunning);
  for (const BrowserInfo& browser : Browsers().subspan(Maxthon + 1)) visitBrowser(browser);
  visit("StartWithLoginAsked", settings.StartWithLoginAsked);
  visit("LastCapture", settings.LastCapture);
}

struct PlacesStore {
  std::mutex Lock;
  std::optional<Places> Value;
};

PlacesStore& PlacesStorage() {
  static PlacesStore store;
  return store;
}

std::string DefaultLanguagePath(const Places& places) {
  if (places.LanguagesFolder.empty()) return {};
  return Platform::JoinPath(places.LanguagesFolder, "English.lng");
}

Settings DefaultSettings() {
  Settings settings;
  settings.Language = DefaultLanguagePath(ProgramPlaces());
  return settings;
}

std::mutex& SettingsLock() {
  static std::mutex lock;
  return lock;
}

Settings& SettingsStorage() {
  static Settings settings = DefaultSettings();
  return settings;
}

// Serialises whole reads and writes of the settings file, so two writers never
// interleave their load and replace and lose each other's change.
std::mutex& SettingsFileLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

Places ComputePlaces() {
  Places places;
  places.ExecutablePath = Platform::ExecutablePath().value_or(std::string());
  places.ProgramFolder = Platform::ProgramFolder().value_or(std::string());
  if (const std::optional<std::string> local = Platform::LocalAppDataFolder()) {
    places.DataFolder = Platform::JoinPath(*local, "Vorlane");
  }
  places.SettingsPath = Platform::JoinPath(
      places.DataFolder.empty() ? places.ProgramFolder : places.DataFolder, kSettingsFileName);
  places.DefaultFilterPath = Platform::JoinPath(places.ProgramFolder, "Filters/Default.flt");
  places.LanguagesFolder = Platform::JoinPath(places.ProgramFolder, "Langs");
  places.HelpFilePath = Platform::JoinPath(places.ProgramFolder, "help/index.html");
  return places;
}

const Places& ProgramPlaces() {
  PlacesStore& store = PlacesStorage();
  std::lock_guard guard(store.Lock);
  if (!store.Value) store.Value = ComputePlaces();
  return *store.Value;
}

void SetProgramPlaces(const Places& places) {
  std::string oldDefault;
  {
    PlacesStore& store = PlacesStorage();
    std::lock_guard guard(store.Lock);
    if (store.Value) oldDefault = DefaultLanguagePath(*store.Value);
    store.Value = places;
  }
  // The Language default follows the places unless a file chose another language.
  const std::string newDefault = DefaultLanguagePath(places);
  UpdateSettings([&](Settings& settings) {
    if (settings.Language.empty() || settings.Language == oldDefault) {
      settings.Language = newDefault;
    }
  });
}

std::array<bool, BrowserCount> Settings::DefaultWatch() {
  std::array<bool, BrowserCount> watch{};
  for (const BrowserInfo& browser : Browsers()) {
    watch[static_cast<size_t>(browser.Code)] = browser.WatchedByDefault;
  }
  return watch;
}

std::string ScratchFolder() {
  const Places& places = ProgramPlaces();
  if (!places.DataFolder.empty()) return Platform::JoinPath(places.DataFolder, "Temp");
  if (!places.ProgramFolder.empty()) return Platform::JoinPath(places.ProgramFolder, "Temp");
  return {};
}

Settings CurrentSettings() {
  Settings& settings = SettingsStorage();
  std::lock_guard guard(SettingsLock());
  return settings;
}

void UpdateSettings(const std::function<void(Settings&)>& change) {
  Settings& settings = SettingsStorage();
  std::lock_guard guard(SettingsLock());
  change(settings);
}

void ResetSettings() {
  const Settings defaults = DefaultSettings();
  UpdateSettings([&](Settings& settings) { settings = defaults; });
}

bool ReadSettings() {
  std::lock_guard fileGuard(SettingsFileLock());
  const std::optional<IniDocument> document = LoadIniDocument(ProgramPlaces().SettingsPath);
  if (!document) return true;
  UpdateSettings([&](Settings& settings) {
    ForEachField(settings, [&](std::string_view key, auto& field) {
      const std::string value = document->Get(kSection, key);
      if (value.empty()) return;  // a missing or empty value never clears a field
      using Field = std::remove_cvref_t<decltype(field)>;
      if constexpr (std::is_same_v<Field, bool>) {
        field = IniValueToInt32(value) != 0;
      } else if constexpr (std::is_same_v<Field, int32_t>) {
        field = IniValueToInt32(value);
      } else {
        field = value;
      }
    });
  });
  return true;
}

bool WriteSettings() {
  {
    std::lock_guard fileGuard(SettingsFileLock());
    const std::string path = ProgramPlaces().SettingsPath;
    std::optional<IniDocument> document = LoadIniDocument(path);
    // An existing file that cannot be read is not replaced by one that lacks its lines.
    if (document) {
      const Settings settings = CurrentSettings();
      ForEachField(settings, [&](std::string_view key, const auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          document->Set(kSection, key, field ? "1" : "0");
        } else if constexpr (std::is_same_v<Field, int32_t>) {
          document->Set(kSection, key, std::to_string(field));
        } else {
          document->Set(kSection, key, field);
        }
      });
      SaveIniDocument(*document, path);
    }
  }
  ApplyStartWithWindows();
  return true;
}

void ApplyStartWithWindows() {
  const Settings settings = CurrentSettings();
  // Nothing is entered into the user's session before the user has said so.
  if (!settings.StartWithLoginAsked) return;
  Platform::SetStartWithLogin(settings.StartWithWindowsStartUp, ProgramPlaces().ExecutablePath);
}

std::string UserFilterPath() {
  const std::string& data = ProgramPlaces().DataFolder;
  return data.empty() ? std::string() : Platform::JoinPath(data, "Filters/Default.flt");
}

bool SelectUserFilterFile() {
  const std::string copy = UserFilterPath();
  if (copy.empty()) return false;
  const std::string named = CurrentSettings().FiltersFileName;
  if (named == copy) return true;
  if (!named.empty() && named != ProgramPlaces().DefaultFilterPath) return false;
  if (!Platform::FileExists(copy)) {
    // An earlier copy holds the user's edits: it is never replaced by the shipped file.
    if (!Platform::CreateFolderTree(Platform::ParentFolder(copy)) ||
        !Platform::CopyToNewFile(ProgramPlaces().DefaultFilterPath, copy)) {
      return false;
    }
  }
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = copy; });
  return true;
}

void CleanScratchFolder() {
  const std::string folder = ScratchFolder();
  // Never empty a folder given relative to wherever the process happens to run.
  if (folder.empty() || !Platform::IsAbsolutePath(folder)) return;
  const std::optional<std::vector<Platform::FolderItem>> files = Platform::ListFolderFiles(folder);
  if (!files) return;
  for (const Platform::FolderItem& file : *files) {
    Platform::DeleteFile(Platform::JoinPath(folder, file.Name));
  }
}
