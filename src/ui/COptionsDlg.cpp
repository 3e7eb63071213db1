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
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/System.h"
#include "ui/DialogUnits.h"
#include "ui/FolderBrowser.h"
#include "ui/GuiMessages.h"
#include "ui/QtText.h"

namespace {

// A cache format of more browsers than this shows them in two columns.
constexpr size_t kOneColumnRows = 4;

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

COptionsDlg::COptionsDlg(bool trayAvailable, QWidget* parent) : QDialog(parent), Controller(*this) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowTitle(Text(UiTextKey::OptTitle));
  const DialogUnits units(font());
  MakeControls();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(UiTextKey::OK));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(UiTextKey::Cancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  // One tab per group, in the groups' order: the dialog stays as high as its tallest
  // group, which fits a 720-pixel screen, where the three groups one above the other
  // did not.
  auto* tabs = new QTabWidget(this);
  for (QGroupBox* group : {BuildMain(trayAvailable), BuildBrowsers(), BuildFilters()}) {
    tabs->addTab(group, group->title());
    group->setTitle(QString());
    group->setFlat(true);
    group->layout()->setAlignment(Qt::AlignTop);
  }
  layout->addWidget(tabs, 1);
  layout->addWidget(buttons);
  setMinimumWidth(units.X(230));

  for (QCheckBox* box : UseBrowser) {
    connect(box, &QCheckBox::toggled, this, [this] { Controller.WatchChanged(); });
  }
  connect(DefaultFolderBrowse, &QToolButton::clicked, this,
          [this] { Controller.BrowseFolder(DefaultFolderField); });
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { Controller.Help(); });

  Controller.Load();
}

void COptionsDlg::MakeControls() {
  StartWithLogin =
      new QCheckBox(Text(Platform::RunningOnWindows ? UiTextKey::OptStartWithWindowsStartUp
                                                    : UiTextKey::OptStartAtLogin),
                    this);
  ShowProgress = new QCheckBox(Text(UiTextKey::ShowProgressBar), this);
  Language = new QComboBox(this);
  for (const BrowserInfo& browser : Browsers()) {
    UseBrowser[static_cast<size_t>(browser.Code)] =
        new QCheckBox(QString::fromStdString(OptionsController::WatchText(browser.Code)), this);
  }
  OneCopy = new QCheckBox(Text(UiTextKey::OptOneCopy), this);
  SkipDuplicates = new QCheckBox(Text(UiTextKey::OptSkipDuplicates), this);
  DecodeContent = new QCheckBox(Text(UiTextKey::OptDecodeContent), this);
  KeepServerTime = new QCheckBox(Text(UiTextKey::OptKeepServerTime), this);
  CaptureWhileRunning = new QCheckBox(Text(UiTextKey::OptCaptureWhileRunning), this);
  DefaultFolder = new QLineEdit(this);
  DefaultFolderBrowse = BrowseButton(this);
  DefaultFileName = new QLineEdit(this);
}

QGroupBox* COptionsDlg::BuildMain(bool trayAvailable) {
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
  return main;
}

QGroupBox* COptionsDlg::BuildBrowsers() {
  const DialogUnits units(font());
  auto* browsers = new QGroupBox(Text(UiTextKey::OptBrowsers), this);
  auto* browsersLayout = new QGridLayout(browsers);
  browsersLayout->setColumnStretch(0, 1);
  browsersLayout->setColumnStretch(1, 1);
  // Every browser of the table, under a heading per cache format; a format of many
  // browsers fills two columns. A cache folder the user may name goes below its group.
  int row = 0;
  for (const OptionsController::BrowserGroup& group : OptionsController::BrowserGroups()) {
    auto* heading = new QLabel(QString::fromStdString(group.Heading), browsers);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    if (row > 0) browsersLayout->setRowMinimumHeight(row++, units.Y(4));
    browsersLayout->addWidget(heading, row++, 0, 1, 2);
    HeadingLabels.push_back(heading);
    const size_t columns = group.Browsers.size() > kOneColumnRows ? 2 : 1;
    const size_t rows = (group.Browsers.size() + columns - 1) / columns;
    for (size_t i = 0; i < group.Browsers.size(); ++i) {
      QCheckBox* box = UseBrowser[static_cast<size_t>(group.Browsers[i])];
      // Down the first column, then down the second.
      const int column = static_cast<int>(i / rows);
      browsersLayout->addWidget(box, row + static_cast<int>(i % rows), column, 1,
                                columns == 1 ? 2 : 1);
    }
    row += static_cast<int>(rows);
    for (const int code : group.NamedFolders) AddFolderRow(code, browsersLayout, row, units.X(2));
  }
  return browsers;
}

void COptionsDlg::AddFolderRow(int code, QGridLayout* layout, int& row, int spacing) {
  QWidget* parent = layout->parentWidget();
  const FolderControls folder{
      code, new QPushButton(QString::fromStdString(OptionsController::FindText(code)), parent),
      new QLineEdit(parent), BrowseButton(parent)};
  auto* labelRow = new QHBoxLayout;
  labelRow->addWidget(
      new QLabel(QString::fromStdString(OptionsController::FolderLabel(code)), parent), 1);
  labelRow->addWidget(folder.Find);
  layout->addLayout(labelRow, row++, 0, 1, 2);
  layout->addLayout(EditWithButton(folder.Edit, folder.Browse, spacing), row++, 0, 1, 2);
  connect(folder.Find, &QPushButton::clicked, this, [this, code] { Controller.FindCache(code); });
  connect(folder.Browse, &QToolButton::clicked, this,
          [this, code] { Controller.BrowseFolder(code); });
  Folders.push_back(folder);
}

const COptionsDlg::FolderControls* COptionsDlg::FolderOf(int code) const {
  for (const FolderControls& folder : Folders) {
    if (folder.Code == code) return &folder;
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

QLineEdit* COptionsDlg::FolderEdit(int field) const {
  return field == DefaultFolderField ? DefaultFolder : CacheFolderEdit(field);
}

QGroupBox* COptionsDlg::BuildFilters() {
  const DialogUnits units(font());
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
  return filters;
}

void COptionsDlg::accept() {
  Controller.Apply();
  QDialog::accept();
}

OptionsValues COptionsDlg::Values() const {
  OptionsValues values;
  values.StartWithLogin = StartWithLogin->isChecked();
  values.ShowProgress = ShowProgress->isChecked();
  for (size_t code = 0; code < UseBrowser.size(); ++code) {
    values.Watch[code] = UseBrowser[code]->isChecked();
  }
  for (const FolderControls& folder : Folders) {
    values.CacheFolders[static_cast<size_t>(folder.Code)] = folder.Edit->text().toStdString();
  }
  values.OneCopy = OneCopy->isChecked();
  values.SkipDuplicates = SkipDuplicates->isChecked();
  values.DecodeContent = DecodeContent->isChecked();
  values.KeepServerTime = KeepServerTime->isChecked();
  values.CaptureWhileRunning = CaptureWhileRunning->isChecked();
  values.DefaultFolder = DefaultFolder->text().toStdString();
  values.DefaultFileName = DefaultFileName->text().toStdString();
  values.Language = Language->currentIndex();
  return values;
}

void COptionsDlg::ShowValues(const OptionsValues& values) {
  StartWithLogin->setChecked(values.StartWithLogin);
  ShowProgress->setChecked(values.ShowProgress);
  for (size_t code = 0; code < UseBrowser.size(); ++code) {
    UseBrowser[code]->setChecked(values.Watch[code]);
  }
  for (const FolderControls& folder : Folders) {
    folder.Edit->setText(
        QString::fromStdString(values.CacheFolders[static_cast<size_t>(folder.Code)]));
  }
  OneCopy->setChecked(values.OneCopy);
  SkipDuplicates->setChecked(values.SkipDuplicates);
  DecodeContent->setChecked(values.DecodeContent);
  KeepServerTime->setChecked(values.KeepServerTime);
  CaptureWhileRunning->setChecked(values.CaptureWhileRunning);
  DefaultFolder->setText(QString::fromStdString(values.DefaultFolder));
  DefaultFileName->setText(QString::fromStdString(values.DefaultFileName));
  Language->setCurrentIndex(values.Language);
}

void COptionsDlg::ShowLanguages(const std::vector<std::string>& names) {
  Language->clear();
  for (const std::string& name : names) Language->addItem(QString::fromStdString(name));
}

void COptionsDlg::ShowFolder(int field, const std::string& text) {
  if (QLineEdit* edit = FolderEdit(field)) edit->setText(QString::fromStdString(text));
}

void COptionsDlg::FocusFolder(int field) {
  if (QLineEdit* edit = FolderEdit(field)) {
    edit->selectAll();
    edit->setFocus();
  }
}

void COptionsDlg::ShowUnavailable(int code, const std::string& reason) {
  QCheckBox* box = UseBrowserBox(code);
  box->setEnabled(false);
  box->setText(QString::fromStdString(OptionsController::WatchText(code) + "\n" + reason));
  box->setToolTip(QString::fromStdString(reason));
}

void COptionsDlg::EnableCacheFolder(int code, bool enabled) {
  if (const FolderControls* folder = FolderOf(code)) {
    folder->Find->setEnabled(enabled);
    folder->Edit->setEnabled(enabled);
    folder->Browse->setEnabled(enabled);
  }
}

std::optional<std::string> COptionsDlg::ChooseFolder(const std::string& title,
                                                     const std::string& start) {
  return FolderBrowser::Choose(this, title, start);
}

void COptionsDlg::ShowMessage(MessageKind kind, const std::string& text) {
  GuiMessages::ShowBox(kind, QString::fromStdString(text), this);
}

void COptionsDlg::Open(const std::string& target) {
  OpenWithDesktop(target);
}
