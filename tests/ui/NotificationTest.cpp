#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QVariantMap>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "ui/CQuellbyDlg.h"
#include "ui/DesktopNotifier.h"
#include "ui/GuiMessages.h"

namespace {

// The smallest notification service: it records what it is asked to show.
class FakeNotifications : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Shown {
    QString App;
    QString Icon;
    QString Summary;
    QString Body;
    QStringList Actions;
    QVariantMap Hints;
  };
  QList<Shown> Calls;
  bool Refuse = false;
  uint LastId = 40;

 public slots:
  uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
    if (Refuse) {
      sendErrorReply(QDBusError::AccessDenied, QStringLiteral("no notifications now"));
      return 0;
    }
    Calls.append({app, icon, summary, body, actions, hints});
    return ++LastId;
  }
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
  void CloseNotification(uint) {}
};

QString OutputFolder() {
  return uitest::SandboxRoot() + QStringLiteral("/notified");
}

}  // namespace

class NotificationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) QSKIP("dbus-daemon is not installed (Debian package dbus-daemon)");
    // A private session bus: the desktop's own notification service never sees the tests,
    // and without service folders the bus starts none of the installed ones.
    const QString config = uitest::SandboxRoot() + QStringLiteral("/bus.conf");
    uitest::WriteText(config,
                      QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                     "Configuration 1.0//EN\" "
                                     "\"http://www.freedesktop.org/standards/dbus/1.0/"
                                     "busconfig.dtd\">\n<busconfig><type>session</type>"
                                     "<listen>unix:tmpdir=%1</listen><policy context=\"default\">"
                                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                     "</busconfig>\n")
                          .arg(uitest::SandboxRoot())
                          .toUtf8());
    Bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
    QVERIFY(Bus.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(Bus.canReadLine(), 10000);
    Address = QString::fromUtf8(Bus.readLine().trimmed());
    QVERIFY(!Address.isEmpty());
  }

  void cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("vorlane-client"));
    if (Bus.state() != QProcess::NotRunning) {
      Bus.terminate();
      Bus.waitForFinished(5000);
    }
  }

  void init() {
    uitest::ResetProgramState();
    QDir(OutputFolder()).removeRecursively();
    GuiMessages::SetExiting(false);
    GuiMessages::Install();
    UpdateSettings([](Settings& settings) { settings.Watch.fill(false); });
  }
  void cleanup() {
    Unregister();
    GuiMessages::Uninstall();
  }

  void serviceIsFoundOnlyWhenItIsThere() {
    DesktopNotifier notifier;
    // The sandbox names a session bus that does not exist.
    QVERIFY(!notifier.IsAvailable());
    QVERIFY(!notifier.Notify(QStringLiteral("Vorlane"), QStringLiteral("text"), QString()));
    notifier.SetBus(Client());
    QVERIFY(!notifier.IsAvailable());
    Register();
    QVERIFY(notifier.IsAvailable());
    Unregister();
    QVERIFY(!notifier.IsAvailable());
  }

  void captureResultGoesToTheServiceWithAnOpenFolderAction() {
    Register();
    auto window = MakeWindow(3);
    uitest::OpenRecorder opened;
    window->OnCapture(Firefox);
    QTRY_VERIFY(!window->IsBusy());
    QTRY_COMPARE(Fake.Calls.size(), 1);
    const FakeNotifications::Shown& shown = Fake.Calls.front();
    QCOMPARE(shown.App, QStringLiteral("Vorlane"));
    QCOMPARE(shown.Icon, QStringLiteral("vorlane"));
    QCOMPARE(shown.Summary, QStringLiteral("Vorlane"));
    QCOMPARE(shown.Body, QStringLiteral("3 new files have been captured and saved"));
    QVERIFY(shown.Actions.contains(QStringLiteral("open-folder")));
    QCOMPARE(shown.Actions.at(shown.Actions.indexOf(QStringLiteral("open-folder")) + 1),
             QStringLiteral("Open Folder"));
    QCOMPARE(shown.Hints.value(QStringLiteral("desktop-entry")).toString(),
             QStringLiteral("vorlane"));
    // Without a notification area the window shows the count as well.
    QCOMPARE(window->NoticeLabel()->text(), shown.Body);

    // Another program's notification, and an action the program did not offer, open nothing.
    Emit(QStringLiteral("ActionInvoked"), {uint{7}, QStringLiteral("open-folder")});
    Emit(QStringLiteral("ActionInvoked"), {Fake.LastId, QStringLiteral("other")});
    QTest::qWait(100);
    QVERIFY(opened.Targets().isEmpty());
    Emit(QStringLiteral("ActionInvoked"), {Fake.LastId, QStringLiteral("open-folder")});
    QTRY_COMPARE(opened.Targets(), QStringList{OutputFolder()});
    // Once the notice is closed its action is gone.
    Emit(QStringLiteral("NotificationClosed"), {Fake.LastId, uint{2}});
    Emit(QStringLiteral("ActionInvoked"), {Fake.LastId, QStringLiteral("default")});
    QTest::qWait(100);
    QCOMPARE(opened.Targets().size(), 1);
  }

  void aRefusedNotificationFallsBackToTheWindow() {
    Register();
    Fake.Refuse = true;
    auto window = MakeWindow(2);
    window->OnCapture(Firefox);
    QTRY_VERIFY(!window->IsBusy());
    QTRY_COMPARE(window->NoticeLabel()->text(),
                 QStringLiteral("2 new files have been captured and saved"));
    QVERIFY(Fake.Calls.isEmpty());
    Fake.Refuse = false;
  }

 private:
  QDBusConnection Client() {
    return QDBusConnection::connectToBus(Address, QStringLiteral("vorlane-client"));
  }

  void Register() {
    QDBusConnection service =
        QDBusConnection::connectToBus(Address, QStringLiteral("fake-service"));
    QVERIFY(service.isConnected());
    QVERIFY(service.registerObject(QString::fromLatin1(DesktopNotifier::Path), &Fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QString::fromLatin1(DesktopNotifier::Service)));
    Fake.Calls.clear();
  }

  void Unregister() {
    QDBusConnection service(QStringLiteral("fake-service"));
    if (!service.isConnected()) return;
    service.unregisterService(QString::fromLatin1(DesktopNotifier::Service));
    service.unregisterObject(QString::fromLatin1(DesktopNotifier::Path));
  }

  void Emit(const QString& name, const QVariantList& arguments) {
    QDBusMessage signal =
        QDBusMessage::createSignal(QString::fromLatin1(DesktopNotifier::Path),
                                   QString::fromLatin1(DesktopNotifier::Interface), name);
    signal.setArguments(arguments);
    QVERIFY(QDBusConnection(QStringLiteral("fake-service")).send(signal));
  }

  // A window over one JPEG filter into OutputFolder() whose captures read `entries`
  // entries, telling the service on the private bus.
  std::unique_ptr<CQuellbyDlg> MakeWindow(int entries) {
    const QString list = uitest::SandboxRoot() + QStringLiteral("/notified.flt");
    uitest::WriteText(list, QStringLiteral("[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\n"
                                           "Disabled=0\nMinSize=0\nURL=\nMinWeidth=0\nMinHeight=0\n"
                                           "Directory=%1\nFileNameDummy=shot\n")
                                .arg(OutputFolder())
                                .toUtf8());
    UpdateSettings([&](Settings& settings) { settings.FiltersFileName = list.toStdString(); });
    auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
    auto gate = std::make_shared<uitest::GatedSource::Gate>();
    gate->Release();
    window->Engine().SetSourceFactory(
        [gate, entries](int) { return std::make_unique<uitest::GatedSource>(gate, entries); });
    window->Create();
    window->Notifier()->SetBus(Client());
    return window;
  }

  QProcess Bus;
  QString Address;
  FakeNotifications Fake;
};

REGISTER_UI_TEST(NotificationTest)
#include "NotificationTest.moc"
