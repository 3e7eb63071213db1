#include "app/TrayMenuController.h"

#include <array>

#include "app/ProgramInfo.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// The texts of the items, in Command order.
constexpr std::array<UiTextKey, TrayMenuController::CommandCount> kTexts = {
    UiTextKey::TrayMenuFilters,     UiTextKey::TrayMenuOptions,       UiTextKey::TrayMenuCaptureNow,
    UiTextKey::TrayMenuOpenSaved,   UiTextKey::TrayMenuPauseWatching, UiTextKey::TrayMenuVisit,
    UiTextKey::TrayMenuLastVersion, UiTextKey::TrayMenuHelp,          UiTextKey::TrayMenuAbout,
    UiTextKey::TrayMenuExit};

}  // namespace

TrayMenuController::TrayMenuController(CQuellbyMain& engine, TrayMenuView& view)
    : Engine(engine), View(view) {}

std::vector<TrayMenuController::Item> TrayMenuController::Items() const {
  std::vector<Item> items;
  for (size_t i = 0; i < kTexts.size(); ++i) {
    Item item{static_cast<Command>(i), UiTexts::Get(kTexts[i])};
    // Separators after Options, after Pause watching, after Download the Last Version
    // and before Exit.
    item.SeparatorAfter = item.Id == Command::Options || item.Id == Command::PauseWatching ||
                          item.Id == Command::Download || item.Id == Command::About;
    item.Default = item.Id == Command::Filters;
    item.Checkable = item.Id == Command::PauseWatching;
    item.Checked = item.Checkable && WatchingPaused;
    items.push_back(std::move(item));
  }
  return items;
}

void TrayMenuController::Run(Command command) {
  switch (command) {
    case Command::Filters:
      return View.ShowMainWindow();
    case Command::Options:
      return Options();
    case Command::CaptureNow:
      return;
    case Command::OpenSaved:
      return OpenSavedFiles();
    case Command::PauseWatching:
      return SetWatchingPaused(!WatchingPaused);
    case Command::Visit:
      return View.Open(ProgramInfo::SitePage());
    case Command::Download:
      return View.Open(ProgramInfo::DownloadPage());
    case Command::Help:
      return Help();
    case Command::About:
      return View.ShowAbout();
    case Command::Exit:
      return View.RequestExit();
  }
}

void TrayMenuController::Options() {
  if (Engine.IsBusy()) return;
  const Settings before = CurrentSettings();
  if (!View.RunOptions()) return;
  const Settings settings = CurrentSettings();
  // One Copy decides which filters of the list can never match, and their signs.
  if (settings.Language != before.Language || settings.OneCopy != before.OneCopy) {
    View.ShowTexts();
  }
  for (const BrowserInfo& browser : Browsers()) {
    if (!settings.Watch[static_cast<size_t>(browser.Code)]) Engine.StopWatcher(browser.Code);
  }
  if (!WatchingPaused) Engine.StartWatchers();
  View.WatchingChanged();
}

void TrayMenuController::Help() {
  if (Engine.IsBusy()) return;
  View.Open(ProgramPlaces().HelpFilePath);
}

void TrayMenuController::OpenSavedFiles() {
  // The folder tokens change with every capture; what stands before them is the place
  // the user looks in.
  std::string folder = Platform::ExpandHome(CurrentSettings().DefaultCombPath);
  const size_t token = folder.find('%');
  if (token != std::string::npos) folder = Platform::ParentFolder(folder.substr(0, token + 1));
  folder = Platform::WithoutTrailingSeparators(folder);
  if (folder.empty() || !Platform::IsLocalFolderPath(folder)) return;
  if (!Platform::FolderExists(folder)) Platform::CreateFolderTree(folder);
  View.Open(folder);
}

void TrayMenuController::SetWatchingPaused(bool paused) {
  WatchingPaused = paused;
  if (paused) {
    for (const BrowserInfo& browser : Browsers()) Engine.StopWatcher(browser.Code);
  } else {
    Engine.StartWatchers();
  }
  View.WatchingChanged();
}
