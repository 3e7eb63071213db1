// The main window's commands. A command that checks IsBusy does nothing at all while
// a capture is requested or runs.
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTableView>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "engine/OutputFolders.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramInfo.h"

namespace {

QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

const QStringList& FilterFileTypes() {
  static const QStringList types = {QStringLiteral("Filter Files (*.flt)"),
                                    QStringLiteral("All Files (*)")};
  return types;
}

// The Open and Save As dialogs share their file types and default extension.
QString AskFilterFile(QWidget* owner, QFileDialog::AcceptMode mode, const QString& folder) {
  QFileDialog dialog(owner, QString(), folder);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setNameFilters(FilterFileTypes());
  dialog.setDefaultSuffix(QStringLiteral("flt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace

void CQuellbyDlg::SavePrompt() {
  if (!Changed) return;
  if (GuiMessages::AskYesNo(Text(UiTextKey::WarningChanged), isVisible() ? this : nullptr)) {
    SaveList();
  }
}

bool CQuellbyDlg::SaveList(bool askFirst) {
  std::string target = Untitled || askFirst ? std::string() : CurrentSettings().FiltersFileName;
  // A list without a file, or whose file cannot be written, is saved where the user
  // chooses.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (target.empty()) {
      const std::string current = CurrentSettings().FiltersFileName;
      const std::string start = Untitled || current.empty() ? UserFilterPath() : current;
      const QString folder = QFileInfo(QString::fromStdString(start)).path();
      const QString chosen =
          AskFilterFile(isVisible() ? this : nullptr, QFileDialog::AcceptSave, folder);
      if (chosen.isEmpty()) return false;
      target = chosen.toStdString();
    }
    bool saved = false;
    {
      auto filters = Quellby->Filters();
      saved = filters->Save(target);
    }
    if (saved) {
      Untitled = false;
      Changed = false;
      UpdateTitle();
      return true;
    }
    UpdateTitle();
    GuiMessages::ShowBox(
        MessageKind::Error,
        QString::fromStdString(ComposeMessage({UiTextKey::ErrorSaveFilter, {}, target, {}})),
        isVisible() ? this : nullptr);
    target.clear();
  }
  return false;
}

std::string CQuellbyDlg::SaveForTermination() {
  if (!Changed) return {};
  const std::string current = Untitled ? std::string() : CurrentSettings().FiltersFileName;
  std::vector<std::string> targets;
  if (!current.empty()) targets.push_back(current);
  // Beside the file in use, else beside the user's filters: never over a file of its own.
  const std::string beside = current.empty() ? UserFilterPath() : current;
  if (!beside.empty()) {
    const std::string stem = Platform::JoinPath(Platform::ParentFolder(beside), "Recovered");
    for (int i = 0; i < 100; ++i) {
      const std::string candidate =
          stem + (i == 0 ? std::string() : "-" + std::to_string(i)) + ".flt";
      if (!Platform::PathExists(candidate)) {
        targets.push_back(candidate);
        break;
      }
    }
  }
  for (const std::string& target : targets) {
    Platform::CreateFolderTree(Platform::ParentFolder(target));
    bool saved = false;
    {
      auto filters = Quellby->Filters();
      saved = filters->Save(target);
    }
    if (!saved) continue;
    Changed = false;
    Untitled = false;
    return target;
  }
  return {};
}

void CQuellbyDlg::OnNew() {
  if (IsBusy()) return;
  SavePrompt();
  Quellby->Filters()->Clear();
  FillList();
  Changed = true;
  Untitled = true;
  ApplyTexts();
  UpdateTitle();
}

void CQuellbyDlg::OnOpen() {
  if (IsBusy()) return;
  SavePrompt();
  const std::string current = CurrentSettings().FiltersFileName;
  const QString folder =
      QFileInfo(QString::fromStdString(current.empty() ? UserFilterPath() : current)).path();
  const QString chosen = AskFilterFile(this, QFileDialog::AcceptOpen, folder);
  if (chosen.isEmpty()) return;
  // A file that cannot be read leaves the list in use as it was.
  if (CCacheFilter probe; !probe.ReadFilterFile(chosen.toStdString())) {
    GuiMessages::ShowBox(MessageKind::Error,
                         QString::fromStdString(ComposeMessage(
                             {UiTextKey::ErrorLoadFilter, {}, chosen.toStdString(), {}})),
                         this);
    return;
  }
  Quellby->Filters()->Load(chosen.toStdString());
  FillList();
  Untitled = false;
  Changed = false;
  ApplyTexts();
  UpdateTitle();
}

void CQuellbyDlg::OnSave() {
  if (IsBusy()) return;
  SaveList();
  UpdateTitle();
}

void CQuellbyDlg::OnSaveAs() {
  if (IsBusy()) return;
  SaveList(true);
  UpdateTitle();
}

bool CQuellbyDlg::RunEditor(FilterRecord& record, const QString& title) {
  CEditFilterDlg editor(record, title, this);
  return editor.exec() == QDialog::Accepted;
}

void CQuellbyDlg::OnAdd() {
  if (IsBusy()) return;
  auto record = std::make_unique<FilterRecord>();
  const Settings settings = CurrentSettings();
  record->Directory = settings.DefaultCombPath;
  record->FileNameDummy = settings.DefaultFileNameDummy;
  if (!RunEditor(*record, Text(UiTextKey::Add))) return;
  const int selected = SelectedIndex();
  const int position = selected >= 0 ? selected + 1 : -1;
  int row = 0;
  {
    auto filters = Quellby->Filters();
    row = filters->Insert(std::move(record), position)->Position;
  }
  FillList();
  SelectRow(row);
  MarkChanged();
}

void CQuellbyDlg::OnEdit() {
  if (IsBusy()) return;
  const int row = SelectedIndex();
  if (row < 0) return;
  // The editor works on a copy: the set's lock is never held while a dialog runs.
  FilterRecord copy;
  {
    auto filters = Quellby->Filters();
    const FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    copy = *record;
  }
  if (!RunEditor(copy, Text(UiTextKey::Edit))) return;
  {
    auto filters = Quellby->Filters();
    FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    // ResolvedDirectory stays: a capture may have written it meanwhile.
    record->Directory = copy.Directory;
    record->ContentType = copy.ContentType;
    record->MinSize = copy.MinSize;
    record->URL = copy.URL;
    record->MinWidth = copy.MinWidth;
    record->MinHeight = copy.MinHeight;
    record->FileNameDummy = copy.FileNameDummy;
    filters->UpdateUrlWords(*record);
    copy = *record;
  }
  ListModel->ShowRow(row, copy);
  FitColumns();
  MarkChanged();
}

void CQuellbyDlg::OnDelete() {
  if (IsBusy()) return;
  const int row = SelectedIndex();
  if (row < 0) return;
  if (!GuiMessages::AskYesNo(Text(UiTextKey::WarningAreYouSure), this)) return;
  int count = 0;
  {
    auto filters = Quellby->Filters();
    filters->Remove(row);
    count = filters->Count();
  }
  FillList();
  if (count > 0) SelectRow(std::min(row, count - 1));
  MarkChanged();
}

void CQuellbyDlg::OnUp() {
  if (IsBusy()) return;
  const int row = SelectedIndex();
  if (row <= 0) return;
  Quellby->Filters()->MoveUp(row);
  FillList();
  SelectRow(row - 1);
  MarkChanged();
}

void CQuellbyDlg::OnDown() {
  if (IsBusy()) return;
  const int row = SelectedIndex();
  if (row < 0) return;
  {
    auto filters = Quellby->Filters();
    if (row >= filters->Count() - 1) return;
    filters->MoveDown(row);
  }
  FillList();
  SelectRow(row + 1);
  MarkChanged();
}

void CQuellbyDlg::SetAllChecks(bool enabled) {
  if (IsBusy()) return;
  {
    auto filters = Quellby->Filters();
    for (int i = 0; i < filters->Count(); ++i) filters->GetAt(i)->Disabled = !enabled;
  }
  FillList();
  MarkChanged();
}

void CQuellbyDlg::OnOpenFolder() {
  const int row = SelectedIndex();
  if (row < 0) return;
  std::string folder;
  {
    auto filters = Quellby->Filters();
    const FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    folder = FolderAboveEntryTokens(record->ResolvedDirectory);
  }
  if (!folder.empty()) OpenWithDesktop(folder);
}

void CQuellbyDlg::OnOptions() {
  if (IsBusy()) return;
  const std::string language = CurrentSettings().Language;
  COptionsDlg options(TrayIcon ? TrayIcon->IsAvailable() : true, isVisible() ? this : nullptr);
  if (options.exec() != QDialog::Accepted) return;
  if (CurrentSettings().Language != language) ApplyTexts();
  const Settings settings = CurrentSettings();
  for (const BrowserInfo& browser : Browsers()) {
    if (!settings.Watch[static_cast<size_t>(browser.Code)]) Quellby->StopWatcher(browser.Code);
  }
  if (!WatchingPaused) Quellby->StartWatchers();
}

void CQuellbyDlg::OnHelp() {
  if (IsBusy()) return;
  OpenWithDesktop(ProgramPlaces().HelpFilePath);
}

void CQuellbyDlg::OnCapture(int browserCode) {
  if (IsBusy()) return;
  Quellby->StartCapture(browserCode);
}

void CQuellbyDlg::OnAbout() {
  CAboutDlg about(isVisible() ? this : nullptr);
  about.exec();
}

void CQuellbyDlg::OnVisitSite() {
  OpenWithDesktop(ProgramInfo::SitePage());
}

void CQuellbyDlg::OnDownload() {
  OpenWithDesktop(ProgramInfo::DownloadPage());
}

void CQuellbyDlg::OnOpenSavedFiles() {
  // The folder tokens change with every capture; what stands before them is the place
  // the user looks in.
  std::string folder = Platform::ExpandHome(CurrentSettings().DefaultCombPath);
  const size_t token = folder.find('%');
  if (token != std::string::npos) folder = Platform::ParentFolder(folder.substr(0, token + 1));
  folder = Platform::WithoutTrailingSeparators(folder);
  if (folder.empty() || !Platform::IsLocalFolderPath(folder)) return;
  if (!Platform::FolderExists(folder)) Platform::CreateFolderTree(folder);
  OpenWithDesktop(folder);
}

void CQuellbyDlg::SetWatchingPaused(bool paused) {
  WatchingPaused = paused;
  if (QAction* pause = TrayActions[TrayPauseWatching]; pause && pause->isChecked() != paused) {
    pause->setChecked(paused);
  }
  if (paused) {
    for (const BrowserInfo& browser : Browsers()) Quellby->StopWatcher(browser.Code);
  } else {
    Quellby->StartWatchers();
  }
}

void CQuellbyDlg::ShowMainWindow() {
  FirstShow = false;
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

void CQuellbyDlg::HideMainWindow() {
  SavePrompt();
  if (TrayIcon && !TrayIcon->IsAvailable()) {
    // Hidden without a tray icon, the window could not be brought back.
    showMinimized();
    return;
  }
  hide();
}

void CQuellbyDlg::BeginExit() {
  Exiting = true;
  GuiMessages::SetExiting(true);
  hide();
  if (ProgressPopup) ProgressPopup->hide();
  if (TrayIcon) TrayIcon->StopAnimation();
  Quellby->RequestStop();
}

QMenu* CQuellbyDlg::BuildListMenu() {
  auto* menu = new QMenu(this);
  if (IsBusy()) return menu;
  menu->addAction(Text(UiTextKey::Add), this, &CQuellbyDlg::OnAdd);
  if (SelectedIndex() >= 0) {
    menu->addAction(Text(UiTextKey::Delete), this, &CQuellbyDlg::OnDelete);
    menu->addAction(Text(UiTextKey::Edit), this, &CQuellbyDlg::OnEdit);
    menu->addSeparator();
    menu->addAction(Text(UiTextKey::Up), this, &CQuellbyDlg::OnUp);
    menu->addAction(Text(UiTextKey::Down), this, &CQuellbyDlg::OnDown);
    menu->addSeparator();
    menu->addAction(Text(UiTextKey::OpenFolder), this, &CQuellbyDlg::OnOpenFolder);
  }
  menu->addSeparator();
  menu->addAction(Text(UiTextKey::CheckAll), this, [this] { SetAllChecks(true); });
  menu->addAction(Text(UiTextKey::UncheckAll), this, [this] { SetAllChecks(false); });
  menu->addSeparator();
  menu->addAction(Text(UiTextKey::SaveAs), this, &CQuellbyDlg::OnSaveAs);
  return menu;
}
