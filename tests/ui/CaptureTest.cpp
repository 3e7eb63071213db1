#include <QDir>

#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>

#include "UiTestSupport.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "platform/Clock.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"

namespace {

QString OutputFolder() {
  return uitest::SandboxRoot() + QStringLiteral("/captured");
}

// A window over one JPEG filter into OutputFolder() and a cache that waits for the
// test before it opens.
std::unique_ptr<CQuellbyDlg> MakeWindow(const std::shared_ptr<uitest::GatedSource::Gate>& gate,
                                        int entries,
                                        std::unique_ptr<CQuellbyMain> engine = uitest::MakeEngine(),
                                        int64_t cached = 1000) {
  const QString list = uitest::SandboxRoot() + QStringLiteral("/capture.flt");
  uitest::WriteText(list, QStringLiteral("[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\n"
                                         "Disabled=0\nMinSize=0\nURL=\nMinWeidth=0\nMinHeight=0\n"
                                         "Directory=%1\nFileNameDummy=shot\n")
                              .arg(OutputFolder())
                              .toUtf8());
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = list.toStdString(); });
  auto window = std::make_unique<CQuellbyDlg>(std::move(engine));
  window->Engine().SetSourceFactory([gate, entries, cached](int) {
    return std::make_unique<uitest::GatedSource>(gate, entries, cached);
  });
  window->Create();
  return window;
}

int SavedFileCount() {
  return static_cast<int>(QDir(OutputFolder()).entryList(QDir::Files).size());
}

}  // namespace

class CaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    uitest::ResetProgramState();
    QDir(OutputFolder()).removeRecursively();
    GuiMessages::SetExiting(false);
    GuiMessages::Install();
    UpdateSettings([](Settings& settings) { settings.Watch.fill(false); });
  }
  void cleanup() { GuiMessages::Uninstall(); }

  // The widgets follow a job on its own thread (what each sign is: the app's tests).
  void captureStateFollowsTheJob() {
    const int entries = 25;
    const QString notice = QStringLiteral("Firefox: 25 new files have been captured and saved");
    auto gate = std::make_shared<uitest::GatedSource::Gate>();
    auto window = MakeWindow(gate, entries);

    window->CaptureButton(Firefox)->click();
    QVERIFY(window->IsBusy());
    QTRY_VERIFY(gate->Waiting);
    // The start callback ran on the UI thread before the job went on to open the cache.
    QVERIFY(!window->List()->isEnabled());
    QVERIFY(window->Popup()->isVisible());
    QCOMPARE(window->Popup()->Position(), 0);
    QVERIFY(window->Tray()->IsAnimating());

    gate->Release();
    QTRY_VERIFY(!window->IsBusy());
    QVERIFY(window->List()->isEnabled());
    QVERIFY(!window->Popup()->isVisible());
    QVERIFY(!window->Tray()->IsAnimating());
    QCOMPARE(window->LastNotice(), notice);
    // No notification area here: the count shows in the window instead of a balloon.
    QCOMPARE(window->NoticeLabel()->text(), notice);
    QCOMPARE(SavedFileCount(), entries);
    // Progress reached the popup from the job's thread: entry 24 of 25 is 96 %.
    QCOMPARE(window->Popup()->Position(), 96);
  }

  void exitDuringCaptureEndsCleanly() {
    auto gate = std::make_shared<uitest::GatedSource::Gate>();
    auto window = MakeWindow(gate, 5);
    window->OnCapture(0);
    QTRY_VERIFY(gate->Waiting);
    window->BeginExit();
    QVERIFY(!window->isVisible());
    gate->Release();
    // The job stops before its first entry and never waits for the window again.
    QTRY_VERIFY(!window->IsBusy());
    QCOMPARE(SavedFileCount(), 0);
    window.reset();
    GuiMessages::SetExiting(false);
  }

  void destroyingTheWindowWaitsForTheJob() {
    auto gate = std::make_shared<uitest::GatedSource::Gate>();
    auto window = MakeWindow(gate, 3);
    window->OnCapture(0);
    QTRY_VERIFY(gate->Waiting);
    QTimer::singleShot(30, [gate] { gate->Release(); });
    window.reset();
    QVERIFY(gate->Open);
  }

  // A capture on command of a cache that cannot be opened says so, after the popup has
  // gone, and leaves no notice of an earlier capture behind.
  void unreadableCacheShowsWhy() {
    const std::pair<int, QString> cases[] = {
        {Firefox,
         "Can't open Mozilla cache. Please, define the correct path in the Options dialog."},
        {InternetExplorer, "Can't open the cache:"}};  // no Wine prefix in the sandbox
    UpdateSettings([](Settings& settings) {
      settings.CacheFolders[Firefox] = (uitest::SandboxRoot() + "/no/such/cache").toStdString();
    });
    for (const auto& [browser, message] : cases) {
      QDir(OutputFolder()).removeRecursively();
      auto gate = std::make_shared<uitest::GatedSource::Gate>();
      gate->Release();
      auto window = MakeWindow(gate, 3);
      window->OnCapture(browser);
      QTRY_VERIFY(!window->IsBusy());
      QCOMPARE(window->NoticeLabel()->text(),
               QString::fromStdString(std::string(FindBrowser(browser)->ShortName)) +
                   QStringLiteral(": ") + CQuellbyDlg::NewFilesText(3));
      // From now on the real cache sources, which find nothing.
      window->Engine().SetSourceFactory({});
      QString shown;
      bool popupHidden = false;
      uitest::ModalScript script({[&](QWidget* modal) {
        popupHidden = !window->Popup()->isVisible();
        return uitest::AnswerBox(QMessageBox::Ok, &shown)(modal);
      }});
      window->CaptureButton(browser)->click();
      QTRY_COMPARE(script.Pending(), 0);
      QVERIFY(shown.startsWith(message));
      QVERIFY(popupHidden);
      QVERIFY(window->LastNotice().isEmpty() && window->NoticeLabel()->text().isEmpty());
    }
  }

  // A capture by a watcher after the browser closed tells of new files, and of nothing
  // when it found nothing new.
  void captureAfterABrowserClosed() {
    for (const int entries : {0, 2}) {
      QDir(OutputFolder()).removeRecursively();
      std::atomic<bool> running{true};
      std::atomic<int> seenRunning{0};
      CQuellbyMain::StartupOptions options;
      options.PersistSettings = false;
      options.Check = [&](const std::vector<std::string>&) {
        const bool answer = running.load();
        if (answer) ++seenRunning;
        return answer;
      };
      options.WatchIntervalMs = 5;
      UpdateSettings([](Settings& settings) { settings.Watch[Firefox] = true; });
      auto gate = std::make_shared<uitest::GatedSource::Gate>();
      gate->Release();
      // Cached while the browser ran, after the watcher first saw it.
      auto window = MakeWindow(gate, entries, std::make_unique<CQuellbyMain>(options),
                               Platform::CurrentTime() + 3600);
      uitest::ModalScript script({uitest::AnswerBox(QMessageBox::Ok)});  // none may open
      // The watcher has seen the browser run before it closes.
      QTRY_VERIFY(seenRunning > 0);
      running = false;
      QTRY_VERIFY(gate->Waiting);
      QTRY_VERIFY(!window->IsBusy());
      // What the end of the job queued for the UI thread (a message box would be) has run.
      QCoreApplication::processEvents();
      QCOMPARE(script.Pending(), 1);
      // Nothing new after a browser closed stays quiet.
      QCOMPARE(window->LastNotice(),
               entries ? "Firefox: " + CQuellbyDlg::NewFilesText(entries) : QString());
      QCOMPARE(SavedFileCount(), entries);
    }
  }
};

REGISTER_UI_TEST(CaptureTest)
#include "CaptureTest.moc"
