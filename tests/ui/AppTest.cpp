#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <thread>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "ui/CQuellbyApp.h"
#include "ui/CQuellbyDlg.h"
#include "ui/GuiMessages.h"
#include "ui/TerminationNotifier.h"

namespace {

// A filter file, named in the settings as the one in use.
QString WriteList(const QString& name) {
  const QString path = uitest::SandboxRoot() + QLatin1Char('/') + name;
  uitest::WriteText(path, "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\nDisabled=0\n");
  UpdateSettings([&](Settings& settings) {
    settings.FiltersFileName = path.toStdString();
    settings.StartWithLoginAsked = true;  // the first start's question is asked elsewhere
  });
  return path;
}

// Runs the program's event loop until it ends, at most 20 s; returns its exit code.
int RunLoop() {
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
  guard.start(20000);
  return QApplication::exec();
}

}  // namespace

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

    QFile::remove(
        QString::fromStdString(Platform::StartWithLoginEntryPath().value_or(std::string())));
    QFile::remove(QString::fromStdString(UserFilterPath()));
    CQuellbyApp running(QStringList{"vorlane"});
    QString question;
    {
      // First start on a clean account: the program asks before it enters the session.
      uitest::ModalScript script({uitest::AnswerBox(QMessageBox::Yes, &question)});
      QVERIFY(running.InitInstance());
      QCOMPARE(script.Pending(), 0);
    }
    QCOMPARE(question, QString::fromStdString(UiTexts::Get(UiTextKey::AskStartAtLogin)));
    // Data folder, settings, start entry, and the user's own copy of the default filters.
    QVERIFY(uitest::ReadText(settingsFile).contains("StartWithWindowsStartUp=1"));
    QVERIFY(uitest::ReadText(settingsFile).contains("StartWithLoginAsked=1"));
    QVERIFY(Platform::FileExists(Platform::StartWithLoginEntryPath().value_or(std::string())));
    QCOMPARE(running.MainWindow()->windowTitle(),
             QStringLiteral("Vorlane - [%1]").arg(QString::fromStdString(UserFilterPath())));
    QCOMPARE(uitest::ReadText(QString::fromStdString(UserFilterPath())),
             uitest::ReadText(QString::fromStdString(ProgramPlaces().DefaultFilterPath)));
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
    {  // Asked once: the next start asks nothing.
      uitest::ModalScript script({uitest::AnswerBox(QMessageBox::No)});
      QVERIFY(again.InitInstance());
      QCOMPARE(script.Pending(), 1);
    }
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
    QFile::remove(
        QString::fromStdString(Platform::StartWithLoginEntryPath().value_or(std::string())));
    const QString list = WriteList(QStringLiteral("terminated.flt"));
    UpdateSettings([](Settings& settings) { settings.StartWithLoginAsked = false; });
    CQuellbyApp running(QStringList{"vorlane"});
    {
      // No: no entry in the session, now or at exit.
      uitest::ModalScript script({uitest::AnswerBox(QMessageBox::No)});
      QVERIFY(running.InitInstance());
      QCOMPARE(script.Pending(), 0);
    }
    UpdateSettings([](Settings& settings) { settings.OneCopy = false; });
    running.MainWindow()->SetAllChecks(false);
    {
      TerminationNotifier termination;
      QVERIFY(termination.IsActive());
      TerminationNotifier second;  // the signals have one owner
      QVERIFY(!second.IsActive());
      connect(&termination, &TerminationNotifier::TerminationRequested, &running,
              &CQuellbyApp::Terminate);
      // Nobody answers at logout: no question may open.
      uitest::ModalScript script({uitest::AnswerBox(QMessageBox::Yes)});
      QTimer guard;
      connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
      guard.start(20000);
      QTimer::singleShot(0, [] { std::raise(SIGTERM); });
      QCOMPARE(QApplication::exec(), 0);
    }
    running.ExitInstance(0);
    QVERIFY(uitest::ReadText(settingsFile).contains("OneCopy=0"));
    QVERIFY(uitest::ReadText(settingsFile).contains("StartWithWindowsStartUp=0"));
    QVERIFY(!Platform::FileExists(Platform::StartWithLoginEntryPath().value_or(std::string())));
    // The unsaved filter changes went to the file in use.
    QVERIFY(uitest::ReadText(list).contains("Disabled=1"));
    QVERIFY(!uitest::ReadText(list).contains("Disabled=0"));
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
    GuiMessages::SetExiting(false);
  }

  // Exit from the tray menu and a later start's Close ask about unsaved filters: Save
  // saves, Don't Save discards, and Esc (as the title bar's X) cancels the Exit: the
  // program runs on, the changes kept, until the next Exit.
  void exitAsksAboutUnsavedFilters() {
    for (const int answer :
         {int(QMessageBox::Save), int(QMessageBox::Discard), int(QMessageBox::Cancel)}) {
      uitest::ResetProgramState();
      const QString list = WriteList(QStringLiteral("exit.flt"));
      CQuellbyApp running(QStringList{"vorlane"});
      QVERIFY(running.InitInstance());
      running.MainWindow()->SetAllChecks(false);
      QString question;
      const auto escape = [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        QTimer::singleShot(0, box, [box] { QTest::keyClick(box, Qt::Key_Escape); });
        return true;
      };
      std::vector<uitest::ModalScript::Step> steps = {
          answer == QMessageBox::Cancel ? escape : uitest::AnswerBox(answer, &question)};
      if (answer == QMessageBox::Cancel)
        steps.push_back(uitest::AnswerBox(QMessageBox::Discard, &question));
      uitest::ModalScript script(steps);
      const auto exitFromMenu = [&running] {
        running.MainWindow()->TrayAction(CQuellbyDlg::TrayItem::Exit)->trigger();
      };
      std::thread closer;
      if (answer == QMessageBox::Discard) {
        closer = std::thread([] { CQuellbyApp(QStringList{"vorlane", "Close"}).InitInstance(); });
      } else {
        QTimer::singleShot(0, [&] {
          exitFromMenu();
          if (answer != QMessageBox::Cancel) return;
          QVERIFY(running.MainWindow()->IsChanged());
          QVERIFY(!uitest::ReadText(list).contains("Disabled=1"));
          exitFromMenu();
        });
      }
      QCOMPARE(RunLoop(), 0);
      running.ExitInstance(0);
      if (closer.joinable()) closer.join();
      QCOMPARE(script.Pending(), 0);
      QCOMPARE(question, QString::fromStdString(UiTexts::Get(UiTextKey::WarningChanged)));
      QCOMPARE(uitest::ReadText(list).contains("Disabled=1"), answer == QMessageBox::Save);
      GuiMessages::SetExiting(false);
    }
  }

  // A second start brings the running program's window to the front, tray or not.
  void secondStartShowsTheWindow() {
    uitest::ResetProgramState();
    WriteList(QStringLiteral("second.flt"));
    CQuellbyApp running(QStringList{"vorlane"});
    QVERIFY(running.InitInstance());
    // Hidden, or minimized where no tray icon could bring it back.
    CQuellbyDlg* window = running.MainWindow();
    window->HideMainWindow();
    QVERIFY(!window->isVisible() || window->isMinimized());
    std::thread second([] { CQuellbyApp(QStringList{"vorlane"}).InitInstance(); });
    QTRY_VERIFY(window->isVisible() && !window->isMinimized());
    second.join();
    QTimer::singleShot(0, &running, &CQuellbyApp::Exit);
    QCOMPARE(RunLoop(), 0);
    running.ExitInstance(0);
    GuiMessages::SetExiting(false);
  }

  // At logout a list whose file cannot be written goes to a recovery file beside it.
  void terminationSavesARecoveryFileWhenTheFileFails() {
    uitest::ResetProgramState();
    const QString list = WriteList(QStringLiteral("blocked/list.flt"));
    const QString recovered = uitest::SandboxRoot() + QStringLiteral("/blocked/Recovered.flt");
    CQuellbyApp running(QStringList{"vorlane"});
    QVERIFY(running.InitInstance());
    running.MainWindow()->SetAllChecks(false);
    // A folder where the file was: no write can replace it, whoever runs the test.
    QVERIFY(QFile::remove(list) && QDir().mkpath(list));
    QTimer::singleShot(0, &running, &CQuellbyApp::Terminate);
    QCOMPARE(RunLoop(), 0);
    running.ExitInstance(0);
    QVERIFY(uitest::ReadText(recovered).contains("Disabled=1"));
    // The next start works on the recovered list.
    QCOMPARE(QString::fromStdString(CurrentSettings().FiltersFileName), recovered);
    QDir(list).removeRecursively();
    GuiMessages::SetExiting(false);
  }

  // --version and --help print and exit before Qt would look for a display; other
  // arguments start the program.
  void versionExitsWithoutADisplay() {
    QVERIFY(!CQuellbyApp::InfoRequest({"vorlane", "Close"}));
    QVERIFY(!CQuellbyApp::InfoRequest({"vorlane", "-style", "fusion"}));
    QCOMPARE(CQuellbyApp::InfoRequest({"vorlane", "Close", "-v"})->Text, "Vorlane v 1.2\n");
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("--help")}) {
      QProcess program;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.remove(QStringLiteral("DISPLAY"));
      // A platform that does not exist: starting Qt's GUI would fail at once.
      environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
      program.setProcessEnvironment(environment);
      program.start(QStringLiteral(VORLANE_PROGRAM), {option});
      QVERIFY(program.waitForFinished(10000));
      QCOMPARE(program.exitCode(), 0);
      const QByteArray output = program.readAllStandardOutput();
      QVERIFY(option == "--help" ? output.startsWith("Usage: vorlane [Close]\n")
                                 : output == "Vorlane v 1.2\n");
    }
  }
};

REGISTER_UI_TEST(AppTest)
#include "AppTest.moc"
