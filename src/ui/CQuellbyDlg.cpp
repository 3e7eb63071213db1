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

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "ui/CProgressDlg.h"
#include "ui/CSystemTray.h"
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
    {"add", UiTextKey::Add},
    {"delete", UiTextKey::Delete},
    {"edit", UiTextKey::Edit},
    {"up", UiTextKey::Up},
    {"down", UiTextKey::Down},
    {"options", UiTextKey::Options},
    {"help", UiTextKey::Help},
    {"comb-ie", UiTextKey::CombIE},
    {"comb-mozilla", UiTextKey::CombMozilla},
}};

// Column widths in pixels; a column is widened when its header text needs more.
constexpr std::array<int, FilterListModel::ColumnCount> kColumnWidths = {26, 50, 50,  210,
                                                                         40, 40, 150, 63};

// The tray menu's items below its title strip, top to bottom.
constexpr std::array<UiTextKey, 7> kTrayItems = {
    UiTextKey::TrayMenuFilters,     UiTextKey::TrayMenuOptions, UiTextKey::TrayMenuVisit,
    UiTextKey::TrayMenuLastVersion, UiTextKey::TrayMenuHelp,    UiTextKey::TrayMenuAbout,
    UiTextKey::TrayMenuExit};

}  // namespace

CQuellbyDlg::CQuellbyDlg(std::unique_ptr<CQuellbyMain> engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowSystemMenuHint),
      Quellby(engine ? std::move(engine) : std::make_unique<CQuellbyMain>()) {
  setWindowIcon(ProgramIcons::Program());
  setStyleSheet(QStringLiteral(
      "QToolTip { color: #0000ff; background-color: #e0e0e0; border: 1px solid #808080; }"));
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
    if (i == CombIEButton) toolbar->addSpacing(units.X(38));
    toolbar->addWidget(button);
    Buttons[i] = button;
  }
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
  QPalette colours = ListView->palette();
  // Blue rows while the list is usable; the disabled colours grey it out during a capture.
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Text, QColor(0, 0, 255));
  }
  ListView->setPalette(colours);
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

  const std::array<void (CQuellbyDlg::*)(), CombIEButton> commands = {
      &CQuellbyDlg::OnNew,     &CQuellbyDlg::OnOpen, &CQuellbyDlg::OnSave, &CQuellbyDlg::OnAdd,
      &CQuellbyDlg::OnDelete,  &CQuellbyDlg::OnEdit, &CQuellbyDlg::OnUp,   &CQuellbyDlg::OnDown,
      &CQuellbyDlg::OnOptions, &CQuellbyDlg::OnHelp};
  for (size_t i = 0; i < commands.size(); ++i) {
    connect(Buttons[i], &QToolButton::clicked, this, commands[i]);
  }
  connect(Buttons[CombIEButton], &QToolButton::clicked, this,
          [this] { OnCapture(CQuellbyMain::InternetExplorer); });
  connect(Buttons[CombMozillaButton], &QToolButton::clicked, this,
          [this] { OnCapture(CQuellbyMain::Firefox); });
  resize(units.X(440), units.Y(278));
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
  for (size_t i = 0; i < kTrayItems.size(); ++i) {
    TrayActions[i] = TrayPopupMenu->addAction(QString());
    // Separators after Options, after Download the Last Version and before Exit.
    if (i == 1 || i == 3 || i == 5) TrayPopupMenu->addSeparator();
  }
  TrayPopupMenu->setDefaultAction(TrayActions[0]);
  connect(TrayActions[0], &QAction::triggered, this, &CQuellbyDlg::ShowMainWindow);
  connect(TrayActions[1], &QAction::triggered, this, &CQuellbyDlg::OnOptions);
  connect(TrayActions[2], &QAction::triggered, this, &CQuellbyDlg::OnVisitSite);
  connect(TrayActions[3], &QAction::triggered, this, &CQuellbyDlg::OnDownload);
  connect(TrayActions[4], &QAction::triggered, this, &CQuellbyDlg::OnHelp);
  connect(TrayActions[5], &QAction::triggered, this, &CQuellbyDlg::OnAbout);
  connect(TrayActions[6], &QAction::triggered, this, &CQuellbyDlg::ExitRequested);
  connect(TrayPopupMenu, &QMenu::aboutToShow, this, &CQuellbyDlg::RefreshTrayMenuTexts);
  RefreshTrayMenuTexts();
  TrayMenuButton->setMenu(TrayPopupMenu);
}

void CQuellbyDlg::RefreshTrayMenuTexts() {
  for (size_t i = 0; i < kTrayItems.size(); ++i) TrayActions[i]->setText(Text(kTrayItems[i]));
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
  ListModel->RefreshHeaders();
  // The widths were chosen for a font whose average character is 6 pixels wide; they
  // grow with the font in use, and with a header text that needs more.
  QHeaderView* header = ListView->horizontalHeader();
  const QFontMetrics metrics(header->font());
  const double scale = std::max(1.0, DialogUnits(ListView->font()).X(40) / 60.0);
  for (int column = 0; column < FilterListModel::ColumnCount; ++column) {
    const int needed =
        metrics.horizontalAdvance(
            ListModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
        metrics.horizontalAdvance(QLatin1Char('M')) * 2;
    const int scaled = static_cast<int>(kColumnWidths[static_cast<size_t>(column)] * scale + 0.5);
    header->resizeSection(column, std::max(scaled, needed));
  }
  RefreshTrayMenuTexts();
}

void CQuellbyDlg::FillList() {
  auto filters = Quellby->Filters();
  ListModel->Fill(*filters);
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
  if (count != 0) ShowNotice(NewFilesText(count));
  // Shown once the job has let go of this thread: the box must not hold up the job.
  if (const std::optional<UiMessage> problem = Quellby->GetLastProblem()) {
    const QString text = QString::fromStdString(ComposeMessage(*problem));
    QTimer::singleShot(0, this, [this, text] {
      if (!Exiting) GuiMessages::ShowBox(MessageKind::Error, text, isVisible() ? this : nullptr);
    });
  }
}

void CQuellbyDlg::ShowNotice(const QString& text) {
  Notice = text;
  if (TrayIcon->ShowBalloon(text, QString::fromLatin1(ProgramInfo::Name),
                            QSystemTrayIcon::Information, 10)) {
    return;
  }
  // No notification area: the count goes to the window's own notice line.
  NoticeLine->setText(text);
  NoticeLine->show();
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
