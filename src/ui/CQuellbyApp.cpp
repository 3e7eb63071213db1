#include "ui/CQuellbyApp.h"

#include <QApplication>

#include "config/Settings.h"
#include "platform/Platform.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/GuiMessages.h"
#include "ui/InstanceMarker.h"
#include "ui/ProgramIcons.h"

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

bool CQuellbyApp::IsSingleInstance() {
  const bool close = CommandWord(Arguments) == QStringLiteral("Close");
  Marker = std::make_unique<InstanceMarker>(InstanceMarker::DefaultFolder(),
                                            InstanceMarker::DefaultName());
  switch (Marker->TryClaim()) {
    case InstanceMarker::Claim::HeldByOther:
      if (close) Marker->SendClose(CloseWaitMs);
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
  return false;
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
  return true;
}

void CQuellbyApp::Exit() {
  if (Exiting || !Window) return;
  Exiting = true;
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
