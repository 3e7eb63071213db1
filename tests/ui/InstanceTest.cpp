#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/CQuellbyApp.h"
#include "ui/InstanceMarker.h"

class InstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void commandWord_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("word");
    QTest::newRow("none") << QStringList{"vorlane"} << QString();
    QTest::newRow("Close") << QStringList{"vorlane", "Close"} << "Close";
    QTest::newRow("options are skipped") << QStringList{"vorlane", "-x", "/y", "Close"} << "Close";
    QTest::newRow("small letters are kept") << QStringList{"vorlane", "close"} << "close";
    QTest::newRow("only the first counts") << QStringList{"vorlane", "Other", "Close"} << "Other";
  }

  void commandWord() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, word);
    QCOMPARE(CQuellbyApp::CommandWord(arguments), word);
  }

  void lockOfAVanishedProcessIsTakenOver() {
    const QString folder = uitest::SandboxRoot() + QStringLiteral("/run-b");
    QDir().mkpath(folder);
    // A process that has ended leaves its id in the lock file.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.processId();
    InstanceMarker marker(folder, QStringLiteral("VORLANE-test"));
    QFile lock(marker.LockPath());
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid > 0 ? deadPid : 999999) + "\nvorlane_ui_tests\n" +
               QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QCOMPARE(marker.TryClaim(), InstanceMarker::Claim::Taken);
  }

  void otherWordsDoNotClose() {
    const QString folder = uitest::SandboxRoot() + QStringLiteral("/run-d");
    InstanceMarker running(folder, QStringLiteral("VORLANE-test"));
    QCOMPARE(running.TryClaim(), InstanceMarker::Claim::Taken);
    QVERIFY(running.Listen());
    QSignalSpy closeRequests(&running, &InstanceMarker::CloseRequested);
    QLocalSocket socket;
    socket.connectToServer(running.ServerPath());
    QVERIFY(socket.waitForConnected(2000));
    socket.write("close\n");
    socket.flush();
    // The instance hangs up once it has read a command and acted on it.
    QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(closeRequests.count(), 0);
  }
};

REGISTER_UI_TEST(InstanceTest)
#include "InstanceTest.moc"
