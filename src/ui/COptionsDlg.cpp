#include "ui/COptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "platform/System.h"
#include "sources/CacheFormats.h"
#include "ui/BrowserCommands.h"
#include "ui/DialogUnits.h"
#include "ui/FolderBrowser.h"
#include "ui/GuiMessages.h"

namespace {

// A cache format of more browsers than this shows them in two columns.
constexpr size_t kOneColumnRows = 4;

QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

QToolButton* BrowseButton(QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(QStringLiteral("..."));
  return button;
}

QHBoxLayout* EditWithButton(QLineEdit* edit, QToolButton* button, int spacing) {
  auto* row = new QHBoxLayout;
  row->setSpacing(spacing);
  row->addWidget(edit, 1);
  row->addWidget(button);
  return row;
}

}  // namespace

COptionsDlg::COptionsDlg(bool trayAvailable, QWidget* parent) : QDialog(parent) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowTitle(Text(UiTextKey::OptTitle));
  const DialogUnits units(font());

  StartWithLogin =
      new QCheckBox(Text(Platform::RunningOnWindows ? UiTextKey::OptStartWithWindowsStartUp
                                                    : UiTextKey::OptStartAtLogin),
                    this);
  ShowProgress = new QCheckBox(Text(UiTextKey::ShowProgressBar), this);
  Language = new QComboBox(this);
  for (const BrowserInfo& browser : Browsers()) {
    UseBrowser[static_cast<size_t>(browser.Code)] =
        new QCheckBox(BrowserCommands::OptionText(browser), this);
  }
  OneCopy = new QCheckBox(Text(UiTextKey::OptOneCopy), this);
  SkipDuplicates = new QCheckBox(Text(UiTextKey::OptSkipDuplicates), this);
  DecodeContent = new QCheckBox(Text(UiTextKey::OptDecodeContent), this);
  KeepServerTime = new QCheckBox(Text(UiTextKey::OptKeepServerTime), this);
  CaptureWhileRunning = new QCheckBox(Text(UiTextKey::OptCaptureWhileRunning), this);
  DefaultFolder = new QLineEdit(this);
  DefaultFolderBrowse = BrowseButton(this);
  DefaultFileName = new QLineEdit(this);

  auto* main = new QGroupBox(Text(UiTextKey::OptMain), this);
  auto* mainLayout = new QGridLayout(main);
  mainLayout->addWidget(StartWithLogin, 0, 0, 1, 2);
  mainLayout->addWidget(ShowProgress, 1, 0, 1, 2);
  auto* languageLabel = new QLabel(Text(UiTextKey::OptLanguage), main);
  languageLabel->setBuddy(Language);
  mainLayout->addWidget(languageLabel, 2, 0);
  mainLayout->addWidget(Language, 2, 1);
  mainLayout->setColumnStretch(1, 1);
  if (!trayAvailable) {
    TrayNote = new QLabel(
        QStringLiteral("This desktop has no notification area: Vorlane keeps its window open "
                       "instead of a tray icon, so there is no animated icon; the count of new "
                       "files shows at the bottom of the window, and in the desktop's "
                       "notifications where it has them."),
        main);
    TrayNote->setWordWrap(true);
    TrayNote->setEnabled(false);
    mainLayout->addWidget(TrayNote, 3, 0, 1, 2);
  }

  auto* browsers = new QGroupBox(Text(UiTextKey::OptBrowsers), this);
  auto* browsersLayout = new QGridLayout(browsers);
  browsersLayout->setColumnStretch(0, 1);
  browsersLayout->setColumnStretch(1, 1);
  // Every browser of the table, under a heading per cache format; a format of many
  // browsers fills two columns. A cache folder the user may name goes below its group.
  int row = 0;
  for (const BrowserCommands::FormatGroup& group : BrowserCommands::FormatGroups()) {
    auto* heading = new QLabel(BrowserCommands::FormatHeading(group), browsers);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    if (row > 0) browsersLayout->setRowMinimumHeight(row++, units.Y(4));
    browsersLayout->addWidget(heading, row++, 0, 1, 2);
    HeadingLabels.push_back(heading);
    const size_t columns = group.Browsers.size() > kOneColumnRows ? 2 : 1;
    const size_t rows = (group.Browsers.size() + columns - 1) / columns;
    for (size_t i = 0; i < group.Browsers.size(); ++i) {
      QCheckBox* box = UseBrowser[static_cast<size_t>(group.Browsers[i]->Code)];
      // Down the first column, then down the second.
      const int column = static_cast<int>(i / rows);
      browsersLayout->addWidget(box, row + static_cast<int>(i % rows), column, 1,
                                columns == 1 ? 2 : 1);
    }
    row += static_cast<int>(rows);
    for (const BrowserInfo* browser : group.Browsers) {
      if (!browser->CacheFolder.SettingsKey.empty()) {
        AddFolderRow(*browser, browsersLayout, row, units.X(2));
      }
    }
  }

  auto* filters = new QGroupBox(Text(UiTextKey::OptFilters), this);
  auto* filtersLayout = new QVBoxLayout(filters);
  filtersLayout->addWidget(OneCopy);
  filtersLayout->addWidget(SkipDuplicates);
  filtersLayout->addWidget(DecodeContent);
  filtersLayout->addWidget(KeepServerTime);
  filtersLayout->addWidget(CaptureWhileRunning);
  filtersLayout->addWidget(new QLabel(Text(UiTextKey::OptDefaultCombPath), filters));
  filtersLayout->addLayout(EditWithButton(DefaultFolder, DefaultFolderBrowse, units.X(2)));
  filtersLayout->addWidget(new QLabel(Text(UiTextKey::OptDefaultFileNameDummy), filters));
  filtersLayout->addWidget(DefaultFileName);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(UiTextKey::OK));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(UiTextKey::Cancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->addWidget(main);
  layout->addWidget(browsers);
  layout->addWidget(filters);
  layout->addStretch();
  layout->addWidget(buttons);
  setMinimumWidth(units.X(230));

  connect(DefaultFolderBrowse, &QToolButton::clicked, this,
          [this] { FolderBrowser::BrowseInto(this, DefaultFolder); });
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [] { OpenWithDesktop(ProgramPlaces().HelpFilePath); });

  const Settings settings = CurrentSettings();
  StartWithLogin->setChecked(settings.StartWithWindowsStartUp);
  ShowProgress->setChecked(settings.ShowNotifyProgressBar);
  for (const BrowserInfo& browser : Browsers()) {
    const auto code = static_cast<size_t>(browser.Code);
    UseBrowser[code]->setChecked(settings.Watch[code]);
  }
  OneCopy->setChecked(settings.OneCopy);
  SkipDuplicates->setChecked(settings.SkipDuplicates);
  DecodeContent->setChecked(settings.DecodeContent);
  KeepServerTime->setChecked(settings.KeepServerTime);
  CaptureWhileRunning->setChecked(settings.CaptureWhileRunning);
  for (const FolderControls& folder : Folders) {
    const auto code = static_cast<size_t>(folder.Browser->Code);
    folder.Edit->setText(QString::fromStdString(settings.CacheFolders[code]));
  }
  DefaultFolder->setText(QString::fromStdString(settings.DefaultCombPath));
  DefaultFileName->setText(QString::fromStdString(settings.DefaultFileNameDummy));
  BuildLanguageChoice();
  EnableFolderControls();
}

void COptionsDlg::AddFolderRow(const BrowserInfo& browser, QGridLayout* layout, int& row,
                               int spacing) {
  QWidget* parent = layout->parentWidget();
  FolderControls folder{&browser, new QPushButton(Text(browser.CacheFolder.FindButton), parent),
                        new QLineEdit(parent), BrowseButton(parent)};
  auto* labelRow = new QHBoxLayout;
  labelRow->addWidget(new QLabel(Text(browser.CacheFolder.Label), parent), 1);
  labelRow->addWidget(folder.Find);
  layout->addLayout(labelRow, row++, 0, 1, 2);
  layout->addLayout(EditWithButton(folder.Edit, folder.Browse, spacing), row++, 0, 1, 2);
  const int code = browser.Code;
  QLineEdit* edit = folder.Edit;
  connect(UseBrowserBox(code), &QCheckBox::toggled, this, &COptionsDlg::EnableFolderControls);
  connect(folder.Find, &QPushButton::clicked, this, [this, code] { FindCache(code); });
  connect(folder.Browse, &QToolButton::clicked, this,
          [this, edit] { FolderBrowser::BrowseInto(this, edit); });
  Folders.push_back(folder);
}

const COptionsDlg::FolderControls* COptionsDlg::FolderOf(int code) const {
  for (const FolderControls& folder : Folders) {
    if (folder.Browser->Code == code) return &folder;
  }
  return nullptr;
}

QPushButton* COptionsDlg::FindCacheButton(int code) const {
  const FolderControls* folder = FolderOf(code);
  return folder ? folder->Find : nullptr;
}

QLineEdit* COptionsDlg::CacheFolderEdit(int code) const {
  const FolderControls* folder = FolderOf(code);
  return folder ? folder->Edit : nullptr;
}

QToolButton* COptionsDlg::CacheFolderBrowseButton(int code) const {
  const FolderControls* folder = FolderOf(code);
  return folder ? folder->Browse : nullptr;
}

void COptionsDlg::BuildLanguageChoice() {
  Language->clear();
  const LanguageList list =
      BuildLanguageList(ProgramPlaces().LanguagesFolder, CurrentSettings().Language);
  LanguageFiles = list.Entries;
  for (const LanguageEntry& entry : LanguageFiles) {
    Language->addItem(QString::fromStdString(entry.Name));
  }
  Language->setCurrentIndex(list.Selected);
  // Without a match the first file is chosen at once, even if the dialog is then
  // cancelled: the setting named a file that is no longer there.
  if (list.Selected >= 0 && list.Language != CurrentSettings().Language) {
    UpdateSettings([&](Settings& settings) { settings.Language = list.Language; });
  }
}

void COptionsDlg::EnableFolderControls() {
  for (const FolderControls& folder : Folders) {
    const bool enabled = UseBrowserBox(folder.Browser->Code)->isChecked();
    folder.Find->setEnabled(enabled);
    folder.Edit->setEnabled(enabled);
    folder.Browse->setEnabled(enabled);
  }
}

void COptionsDlg::FindCache(int code) {
  const FolderControls* folder = FolderOf(code);
  const CacheFormat* format = folder ? FindCacheFormat(folder->Browser->FormatId) : nullptr;
  if (!format) return;
  // A profile whose cache folder is not made yet still names where it will be.
  const CacheSearch search = format->FindCaches(folder->Browser->Places);
  folder->Edit->setText(search.Folders.empty() ? QString()
                                               : QString::fromStdString(search.Folders.front()));
  // Nothing found: say where it was looked for, instead of only emptying the field.
  if (search.Folders.empty()) {
    const UiMessage problem{OpenErrorTextOf(*folder->Browser), {}, search.LookedAt, {}};
    GuiMessages::ShowBox(MessageKind::Warning, QString::fromStdString(ComposeMessage(problem)),
                         this);
  }
  folder->Edit->selectAll();
  folder->Edit->setFocus();
}

void COptionsDlg::accept() {
  const int selected = Language->currentIndex();
  const std::string languagePath =
      selected >= 0 && static_cast<size_t>(selected) < LanguageFiles.size()
          ? LanguageFiles[static_cast<size_t>(selected)].Path
          : std::string();
  UpdateSettings([&](Settings& settings) {
    settings.StartWithWindowsStartUp = StartWithLogin->isChecked();
    // The option has been seen: the start-with-login entry follows it from now on.
    settings.StartWithLoginAsked = true;
    settings.ShowNotifyProgressBar = ShowProgress->isChecked();
    for (size_t code = 0; code < UseBrowser.size(); ++code) {
      settings.Watch[code] = UseBrowser[code]->isChecked();
    }
    for (const FolderControls& folder : Folders) {
      const auto code = static_cast<size_t>(folder.Browser->Code);
      settings.CacheFolders[code] = folder.Edit->text().toStdString();
    }
    settings.OneCopy = OneCopy->isChecked();
    settings.SkipDuplicates = SkipDuplicates->isChecked();
    settings.DecodeContent = DecodeContent->isChecked();
    settings.KeepServerTime = KeepServerTime->isChecked();
    settings.CaptureWhileRunning = CaptureWhileRunning->isChecked();
    settings.DefaultCombPath = DefaultFolder->text().toStdString();
    settings.DefaultFileNameDummy = DefaultFileName->text().toStdString();
    if (!languagePath.empty()) settings.Language = languagePath;
  });
  if (!languagePath.empty()) LoadLanguage(languagePath);
  WriteSettings();
  QDialog::accept();
}
