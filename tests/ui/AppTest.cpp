#include <QApplication>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <thread>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "platform/Platform.h"
#include "ui/CQuellbyApp.h"
#include "ui/CQuellbyDlg.h"
#include "ui/GuiMessages.h"
#include "ui/TerminationNotifier.h"

class AppTest : public QObject {
  Q_OBJECT

 private slots:
  void startCloseAndStartAgain() {
    uitest::ResetProgramState();
    const QString settingsFile = QString::fromStdString(ProgramPlaces().SettingsPath);
    QVERIFY(!QFile::exists(settingsFile));
    {
      CQuellbyApp closeAlone(QStringList{"vorlane", "Close"});
      QVERIFY(!closeAlone.InitInstance());  // nothing to close: ends at once
    }

    CQuellbyApp running(QStringList{"vorlane"});
    QVERIFY(running.InitInstance());
    // First start on a clean account: data folder, settings, start entry, default filters.
    QVERIFY(uitest::ReadText(settingsFile).contains("StartWithWindowsStartUp=1"));
    QVERIFY(Platform::FileExists(Platform::StartWithLoginEntryPath()));
    QCOMPARE(running.MainWindow()->windowTitle(),
             QStringLiteral("Vorlane - [%1]")
                 .arg(QString::fromStdString(ProgramPlaces().DefaultFilterPath)));
    // No notification area offscreen: the window shows instead of hiding.
    QVERIFY(running.MainWindow()->isVisible());

    for (const QString& word : {QString(), QStringLiteral("close")}) {
      CQuellbyApp second(QStringList{"vorlane", word});
      QVERIFY(!second.InitInstance());
    }

    // Settings changed since the start reach the file at exit.
    UpdateSettings([](Settings& settings) { settings.OneCopy = false; });
    std::atomic<bool> done{false};
    std::thread closer([&] {
      CQuellbyApp later(QStringList{"vorlane", "Close"});
      later.InitInstance();
      done = true;
    });
    const auto joinCloser = qScopeGuard([&] { closer.join(); });
    QTimer guard;
    connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
    guard.start(20000);
    // The program's own event loop: quitting needs it running.
    QCOMPARE(QApplication::exec(), 0);  // ended by the Close request, not by the guard
    running.ExitInstance(0);
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    QVERIFY(running.MainWindow() == nullptr);
    QVERIFY(uitest::ReadText(settingsFile).contains("OneCopy=0"));

    GuiMessages::SetExiting(false);
    CQuellbyApp again(QStringList{"vorlane"});
    QVERIFY(again.InitInstance());
    again.ExitInstance(0);
    GuiMessages::SetExiting(false);
  }

  // A logout's SIGTERM ends the program as Exit does: the loop ends normally and the
  // settings reach the file; afterwards the signal has its old meaning again.
  void terminationSignalExitsCleanly() {
    uitest::ResetProgramState();
    const QString settingsFile = QString::fromStdString(ProgramPlaces().SettingsPath);
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    CQuellbyApp running(QStringList{"vorlane"});
    QVERIFY(running.InitInstance());
    UpdateSettings([](Settings& settings) { settings.OneCopy = false; });
    {
      TerminationNotifier termination;
      QVERIFY(termination.IsActive());
      TerminationNotifier second;  // the signals have one owner
      QVERIFY(!second.IsActive());
      connect(&termination, &TerminationNotifier::TerminationRequested, &running,
              &CQuellbyApp::Exit);
      QTimer guard;
      connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
      guard.start(20000);
      QTimer::singleShot(0, [] { std::raise(SIGTERM); });
      QCOMPARE(QApplication::exec(), 0);
    }
    running.ExitInstance(0);
    QVERIFY(uitest::ReadText(settingsFile).contains("OneCopy=0"));
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
    GuiMessages::SetExiting(false);
  }
};

REGISTER_UI_TEST(AppTest)
#include "AppTest.moc"
