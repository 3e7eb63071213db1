#include "ui/CQuellbyDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "platform/Paths.h"
#include "ui/BrowserCommands.h"
#include "ui/CProgressDlg.h"
#include "ui/CSystemTray.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogUnits.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramIcons.h"
#include "ui/ProgramInfo.h"

namespace {

QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

// The window's tooltips carry the program's name as a title above the text.
QString TooltipText(const QString& text) {
  return QStringLiteral("<b>%1</b><br>%2")
      .arg(QString::fromLatin1(ProgramInfo::Name), text.toHtmlEscaped());
}

struct ButtonInfo {
  const char* IconStem;
  UiTextKey Tooltip;
};

constexpr std::array<ButtonInfo, CQuellbyDlg::ButtonCount> kButtons = {{
    {"new", UiTextKey::New},
    {"open", UiTextKey::Open},
    {"save", UiTextKey::Save},
    {"save-as", UiTextKey::SaveAs},
    {"add", UiTextKey::Add},
    {"delete", UiTextKey::Delete},
    {"edit", UiTextKey::Edit},
    {"up", UiTextKey::Up},
    {"down", UiTextKey::Down},
    {"options", UiTextKey::Options},
    {"help", UiTextKey::Help},
}};

// A column never grows past this many average characters: a very long folder is cut
// rather than pushing the other columns off the screen.
constexpr int kMaxColumnCharacters = 48;

// The texts of the tray menu's items, in TrayItem order.
constexpr std::array<UiTextKey, CQuellbyDlg::TrayItemCount> kTrayItems = {
    UiTextKey::TrayMenuFilters,     UiTextKey::TrayMenuOptions,       UiTextKey::TrayMenuCaptureNow,
    UiTextKey::TrayMenuOpenSaved,   UiTextKey::TrayMenuPauseWatching, UiTextKey::TrayMenuVisit,
    UiTextKey::TrayMenuLastVersion, UiTextKey::TrayMenuHelp,          UiTextKey::TrayMenuAbout,
    UiTextKey::TrayMenuExit};

}  // namespace

CQuellbyDlg::CQuellbyDlg(std::unique_ptr<CQuellbyMain> engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowSystemMenuHint),
      Quellby(engine ? std::move(engine) : std::make_unique<CQuellbyMain>()) {
  setWindowIcon(ProgramIcons::Program());
  // Shown from the tray the window is often not the active one; its tool buttons still
  // explain themselves.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  Notifications = std::make_unique<DesktopNotifier>();
  connect(Notifications.get(), &DesktopNotifier::Undelivered, this,
          [this](const QString&, const QString& text) {
            if (!TrayIcon || !TrayIcon->ShowBalloon(text, QString::fromLatin1(ProgramInfo::Name),
                                                    QSystemTrayIcon::Information, 10)) {
              NoticeLine->setText(text);
              NoticeLine->show();
            }
          });
  BuildWindow();
  BuildTrayMenu();
  AddShortcuts();
}

CQuellbyDlg::~CQuellbyDlg() {
  Exiting = true;
  if (Quellby) {
    Quellby->RequestStop();
    // A job may be waiting for the UI thread right now; serve it until the job ends.
    while (Quellby->IsBusy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ProgressPopup.reset();
  TrayIcon.reset();
  Notifications.reset();
  Quellby.reset();
}

void CQuellbyDlg::BuildWindow() {
  const DialogUnits units(font());
  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(0);
  for (size_t i = 0; i < kButtons.size(); ++i) {
    auto* button = new QToolButton(this);
    button->setIcon(ProgramIcons::Button(QString::fromLatin1(kButtons[i].IconStem)));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(std::max(units.X(33), 40), std::max(units.Y(25), 40));
    button->setToolTipDuration(10000);
    button->setFocusPolicy(Qt::NoFocus);
    toolbar->addWidget(button);
    Buttons[i] = button;
  }
  toolbar->addSpacing(units.X(38));
  BuildCaptureButtons(toolbar);
  toolbar->addStretch();
  TrayMenuButton = new QToolButton(this);
  TrayMenuButton->setIcon(ProgramIcons::Program());
  TrayMenuButton->setIconSize(QSize(32, 32));
  TrayMenuButton->setAutoRaise(true);
  TrayMenuButton->setPopupMode(QToolButton::InstantPopup);
  TrayMenuButton->setFixedSize(Buttons[0]->size());
  TrayMenuButton->setFocusPolicy(Qt::NoFocus);
  TrayMenuButton->hide();
  toolbar->addWidget(TrayMenuButton);

  ListModel = new FilterListModel(this);
  ListView = new QTableView(this);
  ListView->setModel(ListModel);
  ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView->setShowGrid(true);
  ListView->setWordWrap(false);
  ListView->setTextElideMode(Qt::ElideRight);
  ListView->verticalHeader()->hide();
  ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 6);
  ListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView->horizontalHeader()->setHighlightSections(false);
  ListView->horizontalHeader()->setStretchLastSection(true);
  ListView->viewport()->installEventFilter(this);
  connect(ListView, &QTableView::doubleClicked, this, [this] { OnEdit(); });
  ListModel->SetCheckHandler([this](int row, bool checked) {
    if (!ListReady) return false;
    {
      auto filters = Quellby->Filters();
      FilterRecord* record = filters->GetAt(row);
      if (!record) return false;
      record->Disabled = !checked;
    }
    MarkChanged();
    return true;
  });

  NoticeLine = new QLabel(this);
  NoticeLine->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(9), 2, units.X(9), units.Y(7));
  layout->setSpacing(units.Y(2));
  layout->addLayout(toolbar);
  layout->addWidget(ListView, 1);
  layout->addWidget(NoticeLine);

  const std::array<void (CQuellbyDlg::*)(), ButtonCount> commands = {
      &CQuellbyDlg::OnNew,  &CQuellbyDlg::OnOpen,    &CQuellbyDlg::OnSave, &CQuellbyDlg::OnSaveAs,
      &CQuellbyDlg::OnAdd,  &CQuellbyDlg::OnDelete,  &CQuellbyDlg::OnEdit, &CQuellbyDlg::OnUp,
      &CQuellbyDlg::OnDown, &CQuellbyDlg::OnOptions, &CQuellbyDlg::OnHelp};
  for (size_t i = 0; i < commands.size(); ++i) {
    connect(Buttons[i], &QToolButton::clicked, this, commands[i]);
  }
  resize(units.X(440), units.Y(278));
}

void CQuellbyDlg::BuildCaptureButtons(QLayout* toolbar) {
  for (const BrowserCommands::CaptureGroup& group : BrowserCommands::CaptureGroups()) {
    CaptureTool tool;
    for (const BrowserInfo* browser : group.Browsers) tool.Codes.push_back(browser->Code);
    tool.Current = tool.Codes.front();
    auto* button = new QToolButton(this);
    button->setIcon(ProgramIcons::Button(BrowserCommands::CaptureIconStem(group.FormatId)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(Buttons[0]->height());
    button->setToolTipDuration(10000);
    button->setFocusPolicy(Qt::NoFocus);
    const size_t index = CaptureTools.size();
    connect(button, &QToolButton::clicked, this,
            [this, index] { OnCapture(CaptureTools[index].Current); });
    if (tool.Codes.size() > 1) {
      // Several browsers of one format: the arrow offers them, a click captures the one
      // named on the button.
      auto* menu = new QMenu(button);
      button->setMenu(menu);
      button->setPopupMode(QToolButton::MenuButtonPopup);
      connect(menu, &QMenu::aboutToShow, this, [this, index, menu] {
        menu->clear();
        std::vector<int> offered;
        for (const int code : CaptureTools[index].Codes) {
          if (CQuellbyMain::HasCache(code)) offered.push_back(code);
        }
        // Without any cache found every browser stays offered: a capture then says why.
        if (offered.empty()) offered = CaptureTools[index].Codes;
        for (const int code : offered) {
          const BrowserInfo* browser = FindBrowser(code);
          menu->addAction(BrowserCommands::CaptureLabel(*browser), this, [this, index, code] {
            CaptureTools[index].Current = code;
            RefreshCaptureButtons();
            OnCapture(code);
          });
        }
      });
    }
    toolbar->addWidget(button);
    tool.Button = button;
    CaptureTools.push_back(std::move(tool));
  }
}

void CQuellbyDlg::RefreshCaptureButtons() {
  for (const CaptureTool& tool : CaptureTools) {
    const BrowserInfo* browser = FindBrowser(tool.Current);
    if (!browser) continue;
    tool.Button->setText(BrowserCommands::CaptureLabel(*browser));
    tool.Button->setToolTip(TooltipText(BrowserCommands::CaptureTooltip(*browser)));
  }
}

QToolButton* CQuellbyDlg::CaptureButton(int browserCode) const {
  const BrowserInfo* browser = FindBrowser(browserCode);
  if (!browser) return nullptr;
  for (const BrowserInfo* sharer : CacheSharers(*browser)) {
    for (const CaptureTool& tool : CaptureTools) {
      if (std::find(tool.Codes.begin(), tool.Codes.end(), sharer->Code) != tool.Codes.end()) {
        return tool.Button;
      }
    }
  }
  return nullptr;
}

void CQuellbyDlg::BuildTrayMenu() {
  TrayPopupMenu = new QMenu(this);
  auto* title = TrayPopupMenu->addAction(ProgramIcons::Program(),
                                         QString::fromLatin1(ProgramInfo::ProductTitle));
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setEnabled(false);
  TrayPopupMenu->addSeparator();
  CaptureNow = new QMenu(TrayPopupMenu);
  for (size_t i = 0; i < kTrayItems.size(); ++i) {
    if (i == TrayCaptureNow) {
      TrayActions[i] = TrayPopupMenu->addMenu(CaptureNow);
    } else {
      TrayActions[i] = TrayPopupMenu->addAction(QString());
    }
    // Separators after Options, after Pause watching, after Download the Last Version and
    // before Exit.
    if (i == TrayOptions || i == TrayPauseWatching || i == TrayDownload || i == TrayAbout) {
      TrayPopupMenu->addSeparator();
    }
  }
  TrayActions[TrayPauseWatching]->setCheckable(true);
  TrayPopupMenu->setDefaultAction(TrayActions[TrayFilters]);
  connect(TrayActions[TrayFilters], &QAction::triggered, this, &CQuellbyDlg::ShowMainWindow);
  connect(TrayActions[TrayOptions], &QAction::triggered, this, &CQuellbyDlg::OnOptions);
  connect(TrayActions[TrayOpenSaved], &QAction::triggered, this, &CQuellbyDlg::OnOpenSavedFiles);
  connect(TrayActions[TrayPauseWatching], &QAction::toggled, this, &CQuellbyDlg::SetWatchingPaused);
  connect(TrayActions[TrayVisit], &QAction::triggered, this, &CQuellbyDlg::OnVisitSite);
  connect(TrayActions[TrayDownload], &QAction::triggered, this, &CQuellbyDlg::OnDownload);
  connect(TrayActions[TrayHelp], &QAction::triggered, this, &CQuellbyDlg::OnHelp);
  connect(TrayActions[TrayAbout], &QAction::triggered, this, &CQuellbyDlg::OnAbout);
  connect(TrayActions[TrayExit], &QAction::triggered, this, &CQuellbyDlg::ExitRequested);
  connect(TrayPopupMenu, &QMenu::aboutToShow, this, &CQuellbyDlg::RefreshTrayMenu);
  for (size_t i = 0; i < kTrayItems.size(); ++i) TrayActions[i]->setText(Text(kTrayItems[i]));
  TrayMenuButton->setMenu(TrayPopupMenu);
}

void CQuellbyDlg::RefreshTrayMenu() {
  for (size_t i = 0; i < kTrayItems.size(); ++i) TrayActions[i]->setText(Text(kTrayItems[i]));
  FillCaptureNow();
}

void CQuellbyDlg::FillCaptureNow() {
  CaptureNow->clear();
  const bool busy = IsBusy();
  const std::vector<int> codes = BrowserCommands::CaptureNowCodes();
  for (const int code : codes) {
    const BrowserInfo* browser = FindBrowser(code);
    QAction* entry = CaptureNow->addAction(BrowserCommands::CaptureLabel(*browser), this,
                                           [this, code] { OnCapture(code); });
    entry->setEnabled(!busy);
  }
  if (codes.empty()) CaptureNow->addAction(Text(UiTextKey::TrayMenuNoCache))->setEnabled(false);
}

void CQuellbyDlg::Create() {
  ProgressPopup = std::make_unique<CProgressDlg>();
  const Settings settings = CurrentSettings();
  ProgressPopup->SetTransparency(settings.NotifyProgressTransparency);
  ProgressPopup->SetOnCenter(settings.NotifyProgressBarOnCenter);
  ProgressPopup->hide();

  TrayIcon = std::make_unique<CSystemTray>();
  TrayIcon->Create(QString::fromLatin1(ProgramInfo::Name), ProgramIcons::Program(), false);
  TrayIcon->SetIconList(ProgramIcons::AnimationFrames());
  TrayIcon->SetContextMenu(TrayPopupMenu);
  connect(TrayIcon.get(), &CSystemTray::LeftClicked, this, &CQuellbyDlg::ShowMainWindow);

  SelectUserFilterFile();
  if (!Quellby->LoadStartupFilterFile()) OnNew();

  Quellby->SetCaptureStateCallback([this](bool started) { OnCaptureState(started); });
  Quellby->SetProgressCallback([this](int percent) { OnCaptureProgress(percent); });
  Quellby->StartWatchers();

  ApplyTexts();
  FillList();
  UpdateTitle();
  UpdateTrayFallback();
  ListReady = true;
  // Wide enough for every column, as far as the screen allows.
  const QMargins margins = layout()->contentsMargins();
  const int wanted = ListView->horizontalHeader()->length() + ListView->frameWidth() * 2 +
                     ListView->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + margins.left() +
                     margins.right() + 2;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int limit = screen ? screen->availableGeometry().width() * 9 / 10 : wanted;
  resize(std::max(width(), std::min(wanted, limit)), height());
}

void CQuellbyDlg::AddShortcuts() {
  const auto bind = [this](const QKeySequence& keys, auto slot) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
  };
  bind(QKeySequence(Qt::Key_Escape), &CQuellbyDlg::HideMainWindow);
  bind(QKeySequence(Qt::Key_Return), &CQuellbyDlg::OnEdit);
  bind(QKeySequence(Qt::Key_Enter), &CQuellbyDlg::OnEdit);
  bind(QKeySequence(Qt::CTRL | Qt::Key_N), &CQuellbyDlg::OnNew);
  bind(QKeySequence(Qt::CTRL | Qt::Key_O), &CQuellbyDlg::OnOpen);
  bind(QKeySequence(Qt::CTRL | Qt::Key_S), &CQuellbyDlg::OnSave);
  bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &CQuellbyDlg::OnSaveAs);
  bind(QKeySequence(Qt::Key_Insert), &CQuellbyDlg::OnAdd);
  bind(QKeySequence(Qt::Key_Delete), &CQuellbyDlg::OnDelete);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Up), &CQuellbyDlg::OnUp);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Down), &CQuellbyDlg::OnDown);
  bind(QKeySequence(Qt::Key_F1), &CQuellbyDlg::OnHelp);
}

void CQuellbyDlg::ApplyTexts() {
  for (size_t i = 0; i < kButtons.size(); ++i) {
    Buttons[i]->setText(QString());
    Buttons[i]->setToolTip(TooltipText(Text(kButtons[i].Tooltip)));
  }
  RefreshCaptureButtons();
  ListModel->RefreshHeaders();
  FitColumns();
  RefreshTrayMenu();
}

void CQuellbyDlg::FitColumns() {
  // Each column as wide as its header and every cell need, an empty URL column included;
  // measured cell by cell, since the view itself looks only at the rows it shows.
  QHeaderView* header = ListView->horizontalHeader();
  const int widest = DialogUnits(ListView->font()).X(4 * kMaxColumnCharacters);
  const int grid = ListView->showGrid() ? 1 : 0;
  for (int column = 0; column < FilterListModel::ColumnCount; ++column) {
    int width = header->sectionSizeHint(column);
    for (int row = 0; row < ListModel->rowCount(); ++row) {
      width =
          std::max(width, ListView->sizeHintForIndex(ListModel->index(row, column)).width() + grid);
    }
    header->resizeSection(column, std::min(width, widest));
  }
}

void CQuellbyDlg::FillList() {
  {
    auto filters = Quellby->Filters();
    ListModel->Fill(*filters);
  }
  FitColumns();
}

void CQuellbyDlg::UpdateTitle() {
  const QString file = Untitled ? Text(UiTextKey::NewFilter)
                                : QString::fromStdString(CurrentSettings().FiltersFileName);
  setWindowTitle(QStringLiteral("%1 - [%2%3]")
                     .arg(QString::fromLatin1(ProgramInfo::Name), file,
                          Changed ? QStringLiteral("*") : QString()));
}

void CQuellbyDlg::MarkChanged() {
  Changed = true;
  UpdateTitle();
}

bool CQuellbyDlg::IsBusy() const {
  return Quellby->IsBusy();
}

int CQuellbyDlg::SelectedIndex() const {
  const QModelIndexList rows = ListView->selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex& index : rows) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

void CQuellbyDlg::SelectRow(int row) {
  if (row < 0 || row >= ListModel->rowCount()) return;
  ListView->selectRow(row);
  ListView->setCurrentIndex(ListModel->index(row, 0));
}

// ---- Capture state ----------------------------------------------------------------

QString CQuellbyDlg::NewFilesText(int count) {
  if (count == 1) return QStringLiteral("1 new file has been captured and saved");
  return QStringLiteral("%1 new files have been captured and saved").arg(count);
}

void CQuellbyDlg::OnCaptureState(bool started) {
  // Once Exit began the window takes no more work; the job must not wait for it.
  if (Exiting) return;
  GuiMessages::RunOnUiThread(this, [this, started] { ApplyCaptureState(started); });
}

void CQuellbyDlg::OnCaptureProgress(int percent) {
  if (Exiting) return;
  GuiMessages::RunOnUiThread(this, [this, percent] {
    if (ProgressPopup) ProgressPopup->SetPosition(percent);
  });
}

void CQuellbyDlg::ApplyCaptureState(bool started) {
  if (started) {
    // The notice of an earlier capture is no news about this one.
    Notice.clear();
    NoticeLine->clear();
    NoticeLine->hide();
    ListView->setEnabled(false);
    ProgressPopup->SetPosition(0);
    if (CurrentSettings().ShowNotifyProgressBar) ProgressPopup->show();
    TrayIcon->Animate(150, CSystemTray::Forever);
    return;
  }
  ProgressPopup->hide();
  TrayIcon->StopAnimation();
  TrayIcon->SetIcon(ProgramIcons::Program());
  ListView->setEnabled(true);
  const int count = Quellby->GetNewFileCount();
  if (count > 0) {
    QString text = NewFilesText(count);
    if (const uint32_t skipped = Quellby->GetSkippedCount(); skipped > 0) {
      text += QStringLiteral(" (%1 %2)").arg(skipped).arg(Text(UiTextKey::SkippedEntries));
    }
    const std::vector<std::string> saved = Quellby->GetSavedFiles();
    const QString folder =
        saved.empty() ? QString() : QString::fromStdString(Platform::ParentFolder(saved.front()));
    ShowNotice(text, folder);
  }
  // Shown once the job has let go of this thread: the box must not hold up the job.
  if (const std::optional<UiMessage> problem = Quellby->GetLastProblem()) {
    const QString text = QString::fromStdString(ComposeMessage(*problem));
    QTimer::singleShot(0, this, [this, text] {
      if (!Exiting) GuiMessages::ShowBox(MessageKind::Error, text, isVisible() ? this : nullptr);
    });
  }
}

void CQuellbyDlg::ShowNotice(const QString& text, const QString& folder) {
  Notice = text;
  const bool trayAvailable = TrayIcon->IsAvailable();
  // The desktop's notification service keeps the notice for a user who was away.
  const bool notified = Notifications->Notify(QString::fromLatin1(ProgramInfo::Name), text, folder);
  if (!notified && TrayIcon->ShowBalloon(text, QString::fromLatin1(ProgramInfo::Name),
                                         QSystemTrayIcon::Information, 10)) {
    return;
  }
  // Without a notification area the window is the program's face: the count shows there
  // too.
  if (!notified || !trayAvailable) {
    NoticeLine->setText(text);
    NoticeLine->show();
  }
}

void CQuellbyDlg::UpdateTrayFallback() {
  const bool available = TrayIcon && TrayIcon->IsAvailable();
  TrayMenuButton->setVisible(!available);
  setWindowFlag(Qt::WindowMinimizeButtonHint, !available);
}

// ---- Window events ------------------------------------------------------------------

void CQuellbyDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!Exiting) HideMainWindow();
}

void CQuellbyDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  TrayMenuButton->setVisible(!(TrayIcon && TrayIcon->IsAvailable()));
}

bool CQuellbyDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ListView->viewport()) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::ContextMenu) {
    auto* request = static_cast<QContextMenuEvent*>(event);
    // Only a mouse request opens the menu, and none while a capture runs.
    if (request->reason() != QContextMenuEvent::Mouse || IsBusy()) return true;
    std::unique_ptr<QMenu> menu(BuildListMenu());
    menu->exec(request->globalPos());
    return true;
  }
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString hint = QString::fromStdString(Quellby->Filters()->GetHint());
    if (hint.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), TooltipText(hint), ListView->viewport(), QRect(),
                         10000);
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
