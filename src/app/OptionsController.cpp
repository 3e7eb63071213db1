#include "app/OptionsController.h"

#include <string>

#include "app/FolderChoice.h"
#include "config/Settings.h"
#include "config/UiTexts.h"

OptionsController::OptionsController(OptionsView& view) : View(view) {}

void OptionsController::Load() {
  const Settings settings = CurrentSettings();
  OptionsValues values;
  values.StartWithLogin = settings.StartWithWindowsStartUp;
  values.ShowProgress = settings.ShowNotifyProgressBar;
  values.Watch = settings.Watch;
  values.MozillaCachePath = settings.MozillaCachePath;
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
  View.ShowValues(values);
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
    settings.Watch = values.Watch;
    settings.MozillaCachePath = values.MozillaCachePath;
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

void OptionsController::BrowseFolder(OptionsView::Folder field) {
  const OptionsValues values = View.Values();
  const std::string& current =
      field == OptionsView::Folder::MozillaCache ? values.MozillaCachePath : values.DefaultFolder;
  const std::optional<std::string> picked =
      View.ChooseFolder(UiTexts::Get(UiTextKey::BrowseDirectory), FolderChooserStart(current));
  if (picked && !picked->empty()) View.ShowFolder(field, *picked);
}

void OptionsController::Help() {
  View.Open(ProgramPlaces().HelpFilePath);
}
