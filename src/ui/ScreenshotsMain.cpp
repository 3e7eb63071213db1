// Renders every window of the program to PNG files, for looking at them without a
// desktop: vorlane-screenshots FOLDER. Run it through scripts/screenshots, which
// keeps the user's own settings out of the picture.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <cstdio>

#include "config/Settings.h"
#include "engine/CQuellbyMain.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/GuiMessages.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
  widget.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QString path = folder.filePath(name + QStringLiteral(".png"));
  const bool saved = widget.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  widget.hide();
  return saved;
}

std::unique_ptr<CQuellbyDlg> MakeWindow(bool trayAvailable) {
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

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vorlane-screenshots FOLDER\n");
    return 2;
  }
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  // Nobody is there to close a message box: messages go to stderr.
  InstallMessageHandler([](MessageKind, const UiMessage& message) {
    std::fprintf(stderr, "message: %s\n", ComposeMessage(message).c_str());
  });
  bool ok = true;

  {
    auto window = MakeWindow(true);
    window->SelectRow(1);
    ok &= Save(*window, folder, QStringLiteral("main-window"));

    FilterRecord record;
    {
      auto filters = window->Engine().Filters();
      if (filters->GetAt(0)) record = *filters->GetAt(0);
    }
    CEditFilterDlg editor(record, QStringLiteral("Edit"));
    ok &= Save(editor, folder, QStringLiteral("filter-editor"));

    COptionsDlg options(true);
    ok &= Save(options, folder, QStringLiteral("options"));

    CAboutDlg about;
    ok &= Save(about, folder, QStringLiteral("about"));

    window->Popup()->SetTransparency(255);
    window->Popup()->SetPosition(42);
    ok &= Save(*window->Popup(), folder, QStringLiteral("popup"));

    ok &= Save(*window->TrayMenu(), folder, QStringLiteral("tray-menu"));
  }
  {
    // The same window on a desktop without a notification area.
    auto window = MakeWindow(false);
    COptionsDlg options(false);
    ok &= Save(options, folder, QStringLiteral("options-no-tray"));
    window->ShowMainWindow();
    window->NoticeLabel()->setText(CQuellbyDlg::NewFilesText(25));
    window->NoticeLabel()->show();
    ok &= Save(*window, folder, QStringLiteral("main-window-no-tray"));
  }
  InstallMessageHandler(nullptr);
  std::printf("%s\n", qPrintable(folder.absolutePath()));
  return ok ? 0 : 1;
}
