#include "app/OptionsController.h"

#include <optional>

#include "app/BrowserCommands.h"
#include "app/FolderChoice.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "sources/CacheFormats.h"

namespace {

bool NamesCacheFolder(const BrowserInfo& browser) {
  return !browser.CacheFolder.SettingsKey.empty();
}

}  // namespace

std::vector<OptionsController::BrowserGroup> OptionsController::BrowserGroups() {
  std::vector<BrowserGroup> groups;
  for (const BrowserCommands::FormatGroup& format : BrowserCommands::FormatGroups()) {
    BrowserGroup group{BrowserCommands::FormatHeading(format), {}, {}};
    for (const BrowserInfo* browser : format.Browsers) {
      group.Browsers.push_back(browser->Code);
      if (NamesCacheFolder(*browser)) group.NamedFolders.push_back(browser->Code);
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

std::string OptionsController::WatchText(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  return browser ? OptionTextOf(*browser) : std::string();
}

std::string OptionsController::FolderLabel(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  return browser ? UiTexts::Get(browser->CacheFolder.Label) : std::string();
}

std::string OptionsController::FindText(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  return browser ? UiTexts::Get(browser->CacheFolder.FindButton) : std::string();
}

OptionsController::OptionsController(OptionsView& view) : View(view) {}

void OptionsController::Load() {
  const Settings settings = CurrentSettings();
  OptionsValues values;
  values.StartWithLogin = settings.StartWithWindowsStartUp;
  values.ShowProgress = settings.ShowNotifyProgressBar;
  values.Watch = settings.Watch;
  for (const BrowserInfo& browser : Browsers()) {
    const auto code = static_cast<size_t>(browser.Code);
    if (NamesCacheFolder(browser)) values.CacheFolders[code] = settings.CacheFolders[code];
  }
  values.OneCopy = settings.OneCopy;
  values.SkipDuplicates = settings.SkipDuplicates;
  values.DecodeContent = settings.DecodeContent;
  values.KeepServerTime = settings.KeepServerTime;
  values.CaptureWhileRunning = settings.CaptureWhileRunning;
  values.DefaultFolder = settings.DefaultCombPath;
  values.DefaultFileName = settings.DefaultFileNameDummy;

  const LanguageList list = BuildLanguageList(ProgramPlaces().LanguagesFolder, settings.Language);
  LanguageFiles = list.Entries;
  std::vector<std::string> names;
  for (const LanguageEntry& entry : LanguageFiles) names.push_back(entry.Name);
  View.ShowLanguages(names);
  values.Language = list.Selected;
  if (list.Selected >= 0 && list.Language != settings.Language) {
    UpdateSettings([&](Settings& changed) { changed.Language = list.Language; });
  }
  for (const BrowserInfo& browser : Browsers()) {
    Unavailable[static_cast<size_t>(browser.Code)] = false;
    if (const std::string reason = BrowserCommands::Unavailable(browser.Code); !reason.empty()) {
      Unavailable[static_cast<size_t>(browser.Code)] = true;
      values.Watch[static_cast<size_t>(browser.Code)] = false;
    }
  }
  View.ShowValues(values);
  for (const BrowserInfo& browser : Browsers()) {
    if (Unavailable[static_cast<size_t>(browser.Code)]) {
      View.ShowUnavailable(browser.Code, BrowserCommands::Unavailable(browser.Code));
    }
  }
  WatchChanged();
}

void OptionsController::WatchChanged() {
  const OptionsValues values = View.Values();
  for (const BrowserInfo& browser : Browsers()) {
    if (NamesCacheFolder(browser)) {
      View.EnableCacheFolder(browser.Code, values.Watch[static_cast<size_t>(browser.Code)]);
    }
  }
}

void OptionsController::FindCache(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  const CacheFormat* format = browser ? FindCacheFormat(browser->FormatId) : nullptr;
  if (!format || !NamesCacheFolder(*browser)) return;
  // A profile whose cache folder is not made yet still names where it will be.
  const CacheSearch search = format->FindCaches(browser->Places);
  View.ShowFolder(code, search.Folders.empty() ? std::string() : search.Folders.front());
  // Nothing found: say where it was looked for, instead of only emptying the field.
  if (search.Folders.empty()) {
    View.ShowMessage(MessageKind::Warning,
                     ComposeMessage({OpenErrorTextOf(*browser), {}, search.LookedAt, {}}));
  }
  View.FocusFolder(code);
}

void OptionsController::BrowseFolder(int field) {
  const OptionsValues values = View.Values();
  const std::string& current = field == OptionsView::DefaultFolderField
                                   ? values.DefaultFolder
                                   : values.CacheFolders.at(static_cast<size_t>(field));
  const UiTextKey title = field == OptionsView::DefaultFolderField ? UiTextKey::ChooseDefaultFolder
                                                                   : UiTextKey::ChooseCacheFolder;
  const std::optional<std::string> picked =
      View.ChooseFolder(UiTexts::Get(title), FolderChooserStart(current));
  if (picked && !picked->empty()) View.ShowFolder(field, *picked);
}

void OptionsController::Help() {
  View.Open(ProgramPlaces().HelpFilePath);
}

void OptionsController::Apply() {
  const OptionsValues values = View.Values();
  const std::string languagePath =
      values.Language >= 0 && static_cast<size_t>(values.Language) < LanguageFiles.size()
          ? LanguageFiles[static_cast<size_t>(values.Language)].Path
          : std::string();
  UpdateSettings([&](Settings& settings) {
    settings.StartWithWindowsStartUp = values.StartWithLogin;
    // The option has been seen: the start-with-login entry follows it from now on.
    settings.StartWithLoginAsked = true;
    settings.ShowNotifyProgressBar = values.ShowProgress;
    for (size_t code = 0; code < settings.Watch.size(); ++code) {
      if (!Unavailable[code]) settings.Watch[code] = values.Watch[code];
    }
    for (const BrowserInfo& browser : Browsers()) {
      const auto code = static_cast<size_t>(browser.Code);
      if (NamesCacheFolder(browser)) settings.CacheFolders[code] = values.CacheFolders[code];
    }
    settings.OneCopy = values.OneCopy;
    settings.SkipDuplicates = values.SkipDuplicates;
    settings.DecodeContent = values.DecodeContent;
    settings.KeepServerTime = values.KeepServerTime;
    settings.CaptureWhileRunning = values.CaptureWhileRunning;
    settings.DefaultCombPath = values.DefaultFolder;
    settings.DefaultFileNameDummy = values.DefaultFileName;
    if (!languagePath.empty()) settings.Language = languagePath;
  });
  if (!languagePath.empty()) LoadLanguage(languagePath);
  WriteSettings();
}
