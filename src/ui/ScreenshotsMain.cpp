// Renders every window of the program to PNG files, for looking at them as a user
// would: vorlane-screenshots [--dark] [--desktop] FOLDER. Without --desktop each window
// draws itself (the offscreen platform will do); with it the windows are shown on the
// running X display and the screen is photographed, window manager, tray and
// notifications included. --dark draws everything in a dark palette. Run it through
// scripts/screenshots, which keeps the user's own settings out of the picture.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>

#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/DesktopNotifier.h"
#include "ui/GuiMessages.h"
#include "ui/QtText.h"

namespace {

struct Shots {
  QDir Folder;
  bool Desktop = false;
  bool Ok = true;
};

void Settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (timer.elapsed() < milliseconds);
}

void Write(Shots& shots, const QPixmap& picture, const QString& name) {
  const QString path = shots.Folder.filePath(name + QStringLiteral(".png"));
  const bool saved = !picture.isNull() && picture.save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  shots.Ok &= saved;
}

// On the desktop: the screen around the window (its frame and shadow included), or the
// whole screen.
QPixmap GrabScreen(const QRect& around) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap whole = screen->grabWindow(0);
  if (around.isNull()) return whole;
  return whole.copy(around.adjusted(-24, -24, 24, 24).intersected(whole.rect()));
}

// `whole`: on the desktop the whole screen, task bar and tray included.
void Save(Shots& shots, QWidget& widget, const QString& name, bool whole = false) {
  widget.show();
  if (shots.Desktop) {
    widget.raise();
    Settle(700);
    Write(shots, GrabScreen(whole ? QRect() : widget.frameGeometry()), name);
  } else {
    Settle(50);
    Write(shots, widget.grab(), name);
  }
  widget.hide();
}

void SaveMessage(Shots& shots, QMessageBox::Icon icon, UiTextKey text,
                 QMessageBox::StandardButtons buttons, const QString& name) {
  QMessageBox box(icon, QString::fromLatin1(ProgramInfo::Name), Text(text), buttons);
  box.setTextFormat(Qt::PlainText);
  Save(shots, box, name);
}

void UsePalette(bool dark) {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  if (!dark) {
    QApplication::setPalette(QApplication::style()->standardPalette());
    return;
  }
  // A dark theme as desktops ship them: light text on dark grey, a blue accent.
  QPalette palette;
  const QColor window(45, 45, 48);
  const QColor base(30, 30, 32);
  const QColor text(230, 230, 230);
  const QColor disabled(127, 127, 127);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, disabled);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, Qt::red);
  palette.setColor(QPalette::Link, QColor(110, 170, 255));
  palette.setColor(QPalette::Highlight, QColor(42, 110, 190));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Light, QColor(70, 70, 74));
  palette.setColor(QPalette::Midlight, QColor(60, 60, 64));
  palette.setColor(QPalette::Mid, QColor(40, 40, 42));
  palette.setColor(QPalette::Dark, QColor(20, 20, 22));
  palette.setColor(QPalette::Shadow, Qt::black);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, disabled);
  }
  QApplication::setPalette(palette);
}

std::unique_ptr<CQuellbyDlg> MakeWindow(std::optional<bool> trayAvailable) {
  CSystemTray::OverrideAvailability(trayAvailable);
  CQuellbyMain::StartupOptions options;
  options.PersistSettings = false;
  options.Check = [](const std::vector<std::string>&) { return false; };
  UpdateSettings(
      [](Settings& settings) { settings.FiltersFileName = ProgramPlaces().DefaultFilterPath; });
  auto window = std::make_unique<CQuellbyDlg>(std::make_unique<CQuellbyMain>(options));
  window->Create();
  return window;
}

// The tray menu and, on the desktop, a capture's notification.
void ShootTrayMenu(Shots& shots, CQuellbyDlg& window) {
  window.RefreshTrayMenu();
  if (shots.Desktop) {
    // Opened where a click on the tray icon opens it, its "Capture now" unfolded.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window.TrayMenu()->popup(area.bottomRight());
    Settle(300);
    window.TrayMenu()->setActiveAction(window.TrayAction(CQuellbyDlg::TrayItem::CaptureNow));
    window.CaptureNowMenu()->popup(
        window.TrayMenu()->geometry().topLeft() -
        QPoint(window.CaptureNowMenu()->sizeHint().width(), 0) +
        QPoint(0, window.TrayMenu()
                      ->actionGeometry(window.TrayAction(CQuellbyDlg::TrayItem::CaptureNow))
                      .top()));
    Settle(700);
    Write(shots, GrabScreen({}), QStringLiteral("tray-menu"));
    window.CaptureNowMenu()->hide();
    window.TrayMenu()->hide();
    // A capture's result as the desktop's notification service shows it.
    window.ShowMainWindow();
    window.Notifier()->Notify(QString::fromLatin1(ProgramInfo::Name), CQuellbyDlg::NewFilesText(25),
                              QDir::homePath());
    Settle(1500);
    Write(shots, GrabScreen({}), QStringLiteral("desktop"));
    window.hide();
  } else {
    Save(shots, *window.TrayMenu(), QStringLiteral("tray-menu"));
  }
}

// The main window as a tray user sees it, its dialogs and messages, the popup.
void ShootWindowsWithTray(Shots& shots, std::optional<bool> tray) {
  auto window = MakeWindow(tray);
  window->SelectRow(1);
  Save(shots, *window, QStringLiteral("main-window"));

  FilterRecord record;
  {
    auto filters = window->Engine().Filters();
    if (filters->GetAt(0)) record = *filters->GetAt(0);
  }
  CEditFilterDlg editor(record, QStringLiteral("Edit"));
  Save(shots, editor, QStringLiteral("filter-editor"));

  COptionsDlg options(true);
  Save(shots, options, QStringLiteral("options"));

  CAboutDlg about;
  Save(shots, about, QStringLiteral("about"));

  SaveMessage(shots, QMessageBox::Question, UiTextKey::AskStartAtLogin,
              QMessageBox::Yes | QMessageBox::No, QStringLiteral("login-question"));
  SaveMessage(shots, QMessageBox::Warning, UiTextKey::ErrorMinSize, QMessageBox::Ok,
              QStringLiteral("min-size-message"));

  window->Popup()->SetTransparency(255);
  window->Popup()->SetPosition(42);
  // On the desktop with the task bar, which must not list the popup.
  Save(shots, *window->Popup(), QStringLiteral("popup"), true);

  ShootTrayMenu(shots, *window);
}

// The same window on a desktop without a notification area.
void ShootWindowWithoutTray(Shots& shots) {
  auto window = MakeWindow(false);
  COptionsDlg options(false);
  Save(shots, options, QStringLiteral("options-no-tray"));
  window->ShowMainWindow();
  window->NoticeLabel()->setText(CQuellbyDlg::NewFilesText(25));
  window->NoticeLabel()->show();
  Save(shots, *window, QStringLiteral("main-window-no-tray"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  Shots shots;
  bool dark = false;
  QString folderName;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dark") == 0) {
      dark = true;
    } else if (std::strcmp(argv[i], "--desktop") == 0) {
      shots.Desktop = true;
    } else {
      folderName = QString::fromLocal8Bit(argv[i]);
    }
  }
  if (folderName.isEmpty()) {
    std::fprintf(stderr, "usage: vorlane-screenshots [--dark] [--desktop] FOLDER\n");
    return 2;
  }
  shots.Folder = QDir(folderName);
  if (!shots.Folder.mkpath(QStringLiteral("."))) return 1;
  UsePalette(dark);
  // Nobody is there to close a message box: messages go to stderr.
  InstallMessageHandler([](MessageKind, const UiMessage& message) {
    std::fprintf(stderr, "message: %s\n", ComposeMessage(message).c_str());
  });
  // The real tray host on the desktop; offscreen the window as a tray user sees it.
  const std::optional<bool> tray = shots.Desktop ? std::nullopt : std::optional<bool>(true);

  ShootWindowsWithTray(shots, tray);
  ShootWindowWithoutTray(shots);
  InstallMessageHandler(nullptr);
  std::printf("%s\n", qPrintable(shots.Folder.absolutePath()));
  return shots.Ok ? 0 : 1;
}
