#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "UiTestSupport.h"
#include "config/Settings.h"
#include "ui/CQuellbyDlg.h"
#include "ui/DesktopNotifier.h"
#include "ui/GuiMessages.h"

// The smallest notification service: it records what it is asked to show.
class FakeNotifications : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QStringList Shown;  // app, icon, summary, body, then the actions
  bool Refuse = false;
  uint LastId = 40;

 public slots:
  uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap&, int) {
    if (Refuse) sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
    Shown = QStringList{app, icon, summary, body} + actions;
    return ++LastId;
  }
};

class NotificationTest : public QObject {
  Q_OBJECT

 private slots:
  void captureResultGoesToTheServiceWithAnOpenFolderAction() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) QSKIP("dbus-daemon is not installed (Debian package dbus-daemon)");
    // A private bus without service folders: it starts none of the installed services,
    // and the desktop's own never sees the test.
    const QString root = uitest::SandboxRoot();
    uitest::WriteText(root + "/bus.conf",
                      QStringLiteral("<busconfig><type>session</type><listen>unix:tmpdir=%1"
                                     "</listen><policy context=\"default\"><allow "
                                     "send_destination=\"*\" eavesdrop=\"true\"/><allow "
                                     "eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                     "</busconfig>\n")
                          .arg(root)
                          .toUtf8());
    QProcess bus;
    bus.start(daemon, {"--config-file=" + root + "/bus.conf", "--nofork", "--print-address=1"});
    QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 10000);
    const QString address = QString::fromUtf8(bus.readLine().trimmed());
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));

    const QString folder = root + QStringLiteral("/notified");
    const QString list = root + QStringLiteral("/notified.flt");
    uitest::WriteText(list, QStringLiteral("[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\n"
                                           "Directory=%1\nFileNameDummy=shot\n")
                                .arg(folder)
                                .toUtf8());
    UpdateSettings([&](Settings& settings) {
      settings.FiltersFileName = list.toStdString();
      settings.Watch.fill(false);
      settings.SkipDuplicates = false;  // the second capture saves the same bytes again
    });
    GuiMessages::Install();
    auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
    auto gate = std::make_shared<uitest::GatedSource::Gate>();
    gate->Release();
    window->Engine().SetSourceFactory(
        [gate](int) { return std::make_unique<uitest::GatedSource>(gate, 3); });
    window->Create();
    DesktopNotifier* notifier = window->Notifier();
    QVERIFY(!notifier->IsAvailable());  // the sandbox's session bus does not exist
    notifier->SetBus(QDBusConnection::connectToBus(address, QStringLiteral("client")));
    QVERIFY(!notifier->IsAvailable());  // a bus, but no service on it yet
    FakeNotifications fake;
    QVERIFY(service.registerObject(DesktopNotifier::Path, &fake, QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(DesktopNotifier::Service));
    QVERIFY(notifier->IsAvailable());

    uitest::OpenRecorder opened;
    window->OnCapture(Firefox);
    QTRY_VERIFY(!fake.Shown.isEmpty());
    const QString text = QStringLiteral("3 new files have been captured and saved");
    QCOMPARE(fake.Shown.mid(0, 4), (QStringList{"Vorlane", "vorlane", "Vorlane", text}));
    QVERIFY(fake.Shown.join('|').contains(QStringLiteral("|open-folder|Open Folder")));
    // Without a notification area the window shows the count as well.
    QCOMPARE(window->NoticeLabel()->text(), text);
    const auto raise = [&](const char* name, const QVariantList& arguments) {
      QDBusMessage signal =
          QDBusMessage::createSignal(DesktopNotifier::Path, DesktopNotifier::Interface, name);
      signal.setArguments(arguments);
      QVERIFY(service.send(signal));
    };
    // Another program's notice opens nothing.
    raise("ActionInvoked", {uint{7}, QStringLiteral("open-folder")});
    raise("ActionInvoked", {fake.LastId, QStringLiteral("open-folder")});
    QTRY_COMPARE(opened.Targets(), QStringList{folder});
    // Once the notice is closed its action is gone.
    raise("NotificationClosed", {fake.LastId, uint{2}});
    raise("ActionInvoked", {fake.LastId, QStringLiteral("default")});
    QTest::qWait(100);
    QCOMPARE(opened.Targets().size(), 1);

    // A service that refuses the notice: the count still reaches the user.
    fake.Refuse = true;
    window->NoticeLabel()->clear();
    window->OnCapture(Firefox);
    QTRY_COMPARE(window->NoticeLabel()->text(), text);

    window.reset();
    GuiMessages::Uninstall();
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    bus.terminate();
    bus.waitForFinished(5000);
  }
};

REGISTER_UI_TEST(NotificationTest)
#include "NotificationTest.moc"
