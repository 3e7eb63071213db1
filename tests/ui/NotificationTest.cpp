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

// Counts the marker signals a test sends after others: once one has arrived, so have
// the signals sent before it on the same connection.
class SignalCounter : public QObject {
  Q_OBJECT

 public:
  int Count = 0;

 public slots:
  void Seen() { ++Count; }
};

namespace {

// A private session bus without service folders: it starts none of the installed
// services, and the desktop's own never sees the test. Returns its address ("" when it
// did not start).
QString StartPrivateBus(QProcess& bus, const QString& daemon, const QString& root) {
  uitest::WriteText(root + "/bus.conf",
                    QStringLiteral("<busconfig><type>session</type><listen>unix:tmpdir=%1"
                                   "</listen><policy context=\"default\"><allow "
                                   "send_destination=\"*\" eavesdrop=\"true\"/><allow "
                                   "eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                   "</busconfig>\n")
                        .arg(root)
                        .toUtf8());
  bus.start(daemon, {"--config-file=" + root + "/bus.conf", "--nofork", "--print-address=1"});
  while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
  }
  return QString::fromUtf8(bus.readLine().trimmed());
}

// A window over one JPEG filter into `folder`, whose captures save three files.
std::unique_ptr<CQuellbyDlg> MakeWindow(const QString& folder) {
  const QString list = uitest::SandboxRoot() + QStringLiteral("/notified.flt");
  uitest::WriteText(list, QStringLiteral("[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\n"
                                         "Directory=%1\nFileNameDummy=shot\n")
                              .arg(folder)
                              .toUtf8());
  UpdateSettings([&](Settings& settings) {
    settings.FiltersFileName = list.toStdString();
    settings.Watch.fill(false);
    settings.SkipDuplicates = false;  // the second capture saves the same bytes again
  });
  auto window = std::make_unique<CQuellbyDlg>(uitest::MakeEngine());
  auto gate = std::make_shared<uitest::GatedSource::Gate>();
  gate->Release();
  window->Engine().SetSourceFactory(
      [gate](int) { return std::make_unique<uitest::GatedSource>(gate, 3); });
  window->Create();
  return window;
}

}  // namespace

class NotificationTest : public QObject {
  Q_OBJECT

 private slots:
  void captureResultGoesToTheServiceWithAnOpenFolderAction() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) QSKIP("dbus-daemon is not installed (Debian package dbus-daemon)");
    QProcess bus;
    const QString address = StartPrivateBus(bus, daemon, uitest::SandboxRoot());
    QVERIFY(!address.isEmpty());
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    const QString folder = uitest::SandboxRoot() + QStringLiteral("/notified");
    GuiMessages::Install();
    auto window = MakeWindow(folder);
    DesktopNotifier* notifier = window->Notifier();
    QVERIFY(!notifier->IsAvailable());  // the sandbox's session bus does not exist
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("client"));
    notifier->SetBus(client);
    QVERIFY(!notifier->IsAvailable());  // a bus, but no service on it yet
    FakeNotifications fake;
    QVERIFY(service.registerObject(DesktopNotifier::Path, &fake, QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(DesktopNotifier::Service));
    QVERIFY(notifier->IsAvailable());

    uitest::OpenRecorder opened;
    window->OnCapture(Firefox);
    QTRY_VERIFY(!fake.Shown.isEmpty());
    const QString text = QStringLiteral("Firefox: 3 new files have been captured and saved");
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
    SignalCounter markers;
    QVERIFY(client.connect(QString(), DesktopNotifier::Path, DesktopNotifier::Interface,
                           QStringLiteral("Marker"), &markers, SLOT(Seen())));
    raise("NotificationClosed", {fake.LastId, uint{2}});
    raise("ActionInvoked", {fake.LastId, QStringLiteral("default")});
    raise("Marker", {});
    QTRY_COMPARE(markers.Count, 1);
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
