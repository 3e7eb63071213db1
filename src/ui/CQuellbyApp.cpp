#include "ui/CQuellbyApp.h"

#include <QApplication>

#include <cstdio>

#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Files.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/GuiMessages.h"
#include "ui/InstanceMarker.h"
#include "ui/ProgramIcons.h"
#include "ui/QtText.h"

namespace {

constexpr char kUsage[] =
    "Usage: vorlane [Close]\n"
    "\n"
    "Starts Vorlane, which saves files out of your web browsers' disk caches. It lives in\n"
    "the notification area (its window opens where there is none); only one runs per user,\n"
    "and starting it again brings its window to the front.\n"
    "\n"
    "  Close       asks the running Vorlane to end, as its Exit command does\n"
    "  --help      prints this text\n"
    "  --version   prints the version\n"
    "\n"
    "The command-line tool vorlane-cli lists and captures caches without a desktop.\n";

}  // namespace

CQuellbyApp::CQuellbyApp(QStringList arguments, QObject* parent)
    : QObject(parent), Arguments(std::move(arguments)) {
  IdleCheck.setInterval(20);
  connect(&IdleCheck, &QTimer::timeout, this, &CQuellbyApp::FinishWhenIdle);
}

CQuellbyApp::~CQuellbyApp() {
  Window.reset();
  GuiMessages::Uninstall();
}

QString CQuellbyApp::CommandWord(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('/'))) continue;
    return argument;
  }
  return {};
}

std::optional<CQuellbyApp::InfoAnswer> CQuellbyApp::InfoRequest(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
      return InfoAnswer{kUsage, 0};
    }
    if (argument == QStringLiteral("--version") || argument == QStringLiteral("-v")) {
      return InfoAnswer{std::string(ProgramInfo::ProductTitle) + "\n", 0};
    }
  }
  return std::nullopt;
}

bool CQuellbyApp::IsSingleInstance() {
  const bool close = CommandWord(Arguments) == QStringLiteral("Close");
  Marker = std::make_unique<InstanceMarker>(InstanceMarker::DefaultFolder(),
                                            InstanceMarker::DefaultName());
  switch (Marker->TryClaim()) {
    case InstanceMarker::Claim::HeldByOther:
      if (close) {
        Marker->SendClose(CloseWaitMs);
      } else {
        Marker->SendShow(ShowWaitMs);
      }
      return true;
    case InstanceMarker::Claim::Unavailable:
      // Without a place for the lock the program still runs, unguarded.
      return close;
    case InstanceMarker::Claim::Taken:
      break;
  }
  if (close) return true;
  Marker->Listen();
  connect(Marker.get(), &InstanceMarker::CloseRequested, this, &CQuellbyApp::Exit);
  connect(Marker.get(), &InstanceMarker::ShowRequested, this, &CQuellbyApp::OnShowRequested);
  return false;
}

void CQuellbyApp::OnShowRequested() {
  // A second start is the user looking for the program: its window comes to the front.
  if (Window && !Exiting) Window->ShowMainWindow();
}

void CQuellbyApp::AskStartAtLogin() {
  if (CurrentSettings().StartWithLoginAsked) return;
  const bool yes = GuiMessages::AskYesNo(Text(UiTextKey::AskStartAtLogin),
                                         Window->isVisible() ? Window.get() : nullptr);
  UpdateSettings([yes](Settings& settings) {
    settings.StartWithWindowsStartUp = yes;
    settings.StartWithLoginAsked = true;
  });
  WriteSettings();
}

bool CQuellbyApp::InitInstance() {
  if (IsSingleInstance()) return false;
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ProgramIcons::Program());
  GuiMessages::Install();
  const std::string dataFolder = ProgramPlaces().DataFolder;
  if (!dataFolder.empty() && !Platform::FolderExists(dataFolder)) {
    Platform::CreateFolder(dataFolder);
  }
  Window = std::make_unique<CQuellbyDlg>();
  connect(Window.get(), &CQuellbyDlg::ExitRequested, this, &CQuellbyApp::Exit);
  Window->Create();
  if (Window->Tray()->IsAvailable()) {
    Window->HideMainWindow();
  } else {
    // No notification area to live in: the window is the way in.
    Window->ShowMainWindow();
  }
  AskStartAtLogin();
  return true;
}

void CQuellbyApp::Exit() {
  if (Exiting || !Window) return;
  Exiting = true;
  // Cancel: the program goes on as if Exit had not been chosen.
  if (!Window->SavePrompt()) {
    Exiting = false;
    return;
  }
  Leave();
}

void CQuellbyApp::Terminate() {
  if (Exiting || !Window) return;
  Exiting = true;
  if (const std::string saved = Window->SaveForTermination(); !saved.empty()) {
    std::fprintf(stderr, "vorlane: the changed filters were saved in %s\n", saved.c_str());
  } else if (Window->IsChanged()) {
    std::fprintf(stderr, "vorlane: the changed filters could not be saved\n");
  }
  Leave();
}

void CQuellbyApp::Leave() {
  Window->BeginExit();
  FinishWhenIdle();
  if (Exiting && Window->IsBusy()) IdleCheck.start();
}

void CQuellbyApp::FinishWhenIdle() {
  if (!Window || Window->IsBusy()) return;
  IdleCheck.stop();
  Finished = true;
  // exit, not quit: it also ends a modal dialog's loop, and a Close that arrives before
  // the main loop runs (during a start-up message) is kept in Finished.
  QCoreApplication::exit(0);
}

int CQuellbyApp::ExitInstance(int code) {
  IdleCheck.stop();
  Window.reset();
  GuiMessages::Uninstall();
  if (Marker) Marker->Release();
  return code;
}
