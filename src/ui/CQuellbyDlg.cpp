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

#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "ui/CProgressDlg.h"
#include "ui/CSystemTray.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogUnits.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramIcons.h"
#include "ui/QtText.h"
#include "ui/QtTranslations.h"

namespace {

// Rich text, so a long tooltip wraps instead of running off the screen.
QString TooltipText(const QString& text) {
  return QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped().replace('\n', "<br>"));
}

struct ButtonInfo {
  const char* IconStem;
  UiTextKey Tooltip;
};

constexpr std::array<ButtonInfo, CQuellbyDlg::ButtonCount> kButtons = {{
    {"new", UiTextKey::TipNew},
    {"open", UiTextKey::TipOpen},
    {"save", UiTextKey::TipSave},
    {"save-as", UiTextKey::TipSaveAs},
    {"add", UiTextKey::TipAdd},
    {"delete", UiTextKey::TipDelete},
    {"edit", UiTextKey::TipEdit},
    {"up", UiTextKey::TipUp},
    {"down", UiTextKey::TipDown},
    {"options", UiTextKey::TipOptions},
    {"help", UiTextKey::TipHelp},
}};

// A column never grows past this many average characters: a very long folder is cut
// rather than pushing the other columns off the screen.
constexpr int kMaxColumnCharacters = 48;

}  // namespace

CQuellbyDlg::CQuellbyDlg(std::unique_ptr<CQuellbyMain> engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowSystemMenuHint),
      Quellby(engine ? std::move(engine) : std::make_unique<CQuellbyMain>()),
      ListControl(*Quellby, *this),
      CaptureControl(*Quellby, *this),
      TrayControl(*Quellby, *this),
      CaptureTools(*Quellby) {
  setWindowIcon(ProgramIcons::Program());
  // Shown from the tray the window is often not the active one; its tool buttons still
  // explain themselves.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  Notifications = std::make_unique<DesktopNotifier>();
  connect(Notifications.get(), &DesktopNotifier::Undelivered, this,
          [this](const QString&, const QString& text) { ShowNoticeElsewhere(text); });
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
  QLayout* toolbar = BuildToolbar();
  BuildList();
  NoticeLine = new QLabel(this);
  NoticeLine->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(9), 2, units.X(9), units.Y(7));
  layout->setSpacing(units.Y(2));
  layout->addLayout(toolbar);
  layout->addWidget(ListView, 1);
  layout->addWidget(NoticeLine);
  resize(units.X(440), units.Y(278));
}

QLayout* CQuellbyDlg::BuildToolbar() {
  const DialogUnits units(font());
  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(0);
  const std::array<void (CQuellbyDlg::*)(), ButtonCount> commands = {
      &CQuellbyDlg::OnNew,  &CQuellbyDlg::OnOpen,    &CQuellbyDlg::OnSave, &CQuellbyDlg::OnSaveAs,
      &CQuellbyDlg::OnAdd,  &CQuellbyDlg::OnDelete,  &CQuellbyDlg::OnEdit, &CQuellbyDlg::OnUp,
      &CQuellbyDlg::OnDown, &CQuellbyDlg::OnOptions, &CQuellbyDlg::OnHelp};
  for (size_t i = 0; i < kButtons.size(); ++i) {
    auto* button = new QToolButton(this);
    button->setIcon(ProgramIcons::Button(QString::fromLatin1(kButtons[i].IconStem)));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    // Square: a row of them with the capture buttons fits a 1024-pixel screen.
    const int side = std::max(units.Y(25), 40);
    button->setFixedSize(side, side);
    button->setToolTipDuration(10000);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, commands[i]);
    toolbar->addWidget(button);
    Buttons[i] = button;
  }
  toolbar->addSpacing(units.X(12));
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
  return toolbar;
}

void CQuellbyDlg::BuildList() {
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
  ListModel->SetCheckHandler(
      [this](int row, bool checked) { return ListControl.CheckRow(row, checked); });
}

void CQuellbyDlg::BuildCaptureButtons(QLayout* toolbar) {
  const std::vector<CaptureCommands::Tool>& tools = CaptureTools.Tools();
  for (size_t index = 0; index < tools.size(); ++index) {
    auto* button = new QToolButton(this);
    button->setIcon(ProgramIcons::Button(QString::fromStdString(tools[index].IconStem)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(Buttons[0]->height());
    button->setToolTipDuration(10000);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, index] { CaptureTools.RunTool(index); });
    if (tools[index].Codes.size() > 1) {
      // Several browsers of one format: the arrow offers them, a click captures the one
      // named on the button.
      auto* menu = new QMenu(button);
      button->setMenu(menu);
      button->setPopupMode(QToolButton::MenuButtonPopup);
      connect(menu, &QMenu::aboutToShow, this, [this, index, menu] {
        menu->clear();
        for (const CaptureCommands::Entry& entry : CaptureTools.Choices(index)) {
          QAction* action =
              menu->addAction(QString::fromStdString(entry.Text), this, [this, index, entry] {
                CaptureTools.Choose(index, entry.Code);
                RefreshCaptureButtons();
              });
          action->setEnabled(entry.Enabled);
        }
      });
    }
    toolbar->addWidget(button);
    CaptureButtons.push_back(button);
  }
}

void CQuellbyDlg::RefreshCaptureButtons() {
  for (size_t index = 0; index < CaptureButtons.size(); ++index) {
    CaptureButtons[index]->setVisible(CaptureTools.Offered(index));
    CaptureButtons[index]->setText(QString::fromStdString(CaptureTools.Label(index)));
    CaptureButtons[index]->setToolTip(
        TooltipText(QString::fromStdString(CaptureTools.Tooltip(index))));
  }
}

QToolButton* CQuellbyDlg::CaptureButton(int browserCode) const {
  const int tool = CaptureTools.ToolOf(browserCode);
  return tool < 0 ? nullptr : CaptureButtons[static_cast<size_t>(tool)];
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
  for (const TrayMenuController::Item& item : TrayControl.Items()) {
    QAction* action = item.Id == TrayItem::CaptureNow ? TrayPopupMenu->addMenu(CaptureNow)
                                                      : TrayPopupMenu->addAction(QString());
    if (item.Checkable) {
      action->setCheckable(true);
      connect(action, &QAction::toggled, this,
              [this](bool checked) { TrayControl.SetWatchingPaused(checked); });
    } else if (item.Id != TrayItem::CaptureNow) {
      connect(action, &QAction::triggered, this, [this, id = item.Id] { TrayControl.Run(id); });
    }
    action->setText(QString::fromStdString(item.Text));
    if (item.Default) TrayPopupMenu->setDefaultAction(action);
    if (item.SeparatorAfter) TrayPopupMenu->addSeparator();
    TrayActions[static_cast<size_t>(item.Id)] = action;
  }
  connect(TrayPopupMenu, &QMenu::aboutToShow, this, &CQuellbyDlg::RefreshTrayMenu);
  TrayMenuButton->setMenu(TrayPopupMenu);
}

void CQuellbyDlg::RefreshTrayMenu() {
  for (const TrayMenuController::Item& item : TrayControl.Items()) {
    QAction* action = TrayActions[static_cast<size_t>(item.Id)];
    action->setText(QString::fromStdString(item.Text));
    if (item.Checkable && action->isChecked() != item.Checked) {
      const QSignalBlocker quiet(action);
      action->setChecked(item.Checked);
    }
  }
  FillCaptureNow();
}

void CQuellbyDlg::FillCaptureNow() {
  CaptureNow->clear();
  for (const CaptureCommands::Entry& entry : CaptureTools.CaptureNow()) {
    QAction* action = CaptureNow->addAction(QString::fromStdString(entry.Text));
    action->setEnabled(entry.Enabled);
    if (entry.Code >= 0) {
      connect(action, &QAction::triggered, this, [this, code = entry.Code] {
        CaptureTools.Capture(code);
        RefreshCaptureButtons();
      });
    }
  }
}

void CQuellbyDlg::Create() {
  ProgressPopup = std::make_unique<CProgressDlg>();
  const CaptureStateController::PopupLook look = CaptureStateController::PopupSettings();
  ProgressPopup->SetTransparency(look.Transparency);
  ProgressPopup->SetOnCenter(look.OnCenter);
  ProgressPopup->hide();

  TrayIcon = std::make_unique<CSystemTray>();
  TrayIcon->Create(QString::fromLatin1(ProgramInfo::Name), ProgramIcons::Program(), false);
  TrayIcon->SetIconList(ProgramIcons::AnimationFrames());
  TrayIcon->SetContextMenu(TrayPopupMenu);
  connect(TrayIcon.get(), &CSystemTray::LeftClicked, this, &CQuellbyDlg::ShowMainWindow);

  ListControl.Start();
  Quellby->SetCaptureStateCallback([this](bool started) { OnCaptureState(started); });
  Quellby->SetProgressCallback([this](int percent) { OnCaptureProgress(percent); });
  Quellby->StartWatchers();
  WatchingChanged();
  ShowTexts();
  UpdateTrayFallback();
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

void CQuellbyDlg::ShowTexts() {
  // The rows too: the content type column is in the language, and a sign may depend on
  // an option that just changed.
  ListControl.Refresh();
  QtTranslations::Use(UiTexts::Get(UiTextKey::LanguageCode));
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
    if (request->reason() != QContextMenuEvent::Mouse) return true;
    std::unique_ptr<QMenu> menu(BuildListMenu());
    if (!menu->isEmpty()) menu->exec(request->globalPos());
    return true;
  }
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    // A row's own tooltip (a filter that never matches) before the list's hint.
    const QModelIndex at = ListView->indexAt(help->pos());
    QString hint = at.isValid() ? ListModel->RowTip(at.row()) : QString();
    if (hint.isEmpty()) hint = QString::fromStdString(ListControl.Hint());
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
