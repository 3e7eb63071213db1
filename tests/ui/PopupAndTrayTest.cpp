#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/ProgramIcons.h"

class PopupAndTrayTest : public QObject {
  Q_OBJECT

 private slots:
  void popupPlacement_data() {
    QTest::addColumn<bool>("onCenter");
    QTest::newRow("centred") << true;
    QTest::newRow("bottom right") << false;
  }

  void popupPlacement() {
    QFETCH(bool, onCenter);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    CProgressDlg popup;
    popup.SetOnCenter(onCenter);
    const QRect made = popup.geometry();
    QCOMPARE(made.center(), area.center());
    popup.show();
    QVERIFY(popup.isVisible());
    if (onCenter) {
      QCOMPARE(popup.geometry(), made);
    } else {
      QCOMPARE(popup.geometry().bottomRight(), area.bottomRight());
      QCOMPARE(popup.size(), made.size());
    }
    popup.hide();
    QVERIFY(!popup.isVisible());
  }

  void popupTransparency_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<double>("opacity");
    QTest::newRow("invisible") << 0 << 0.0;
    QTest::newRow("default") << 100 << 100.0 / 255.0;
    QTest::newRow("opaque") << 255 << 1.0;
    QTest::newRow("only the low eight bits count") << 256 + 100 << 100.0 / 255.0;
  }

  void popupTransparency() {
    QFETCH(int, setting);
    QFETCH(double, opacity);
    CProgressDlg popup;
    popup.SetTransparency(setting);
    QVERIFY(qAbs(popup.windowOpacity() - opacity) < 0.01);
  }

  void popupIgnoresEnterAndEscape() {
    CProgressDlg popup;
    popup.show();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(&popup, key);
      QVERIFY(popup.isVisible());
    }
    popup.SetPosition(150);
    QCOMPARE(popup.Position(), 100);
  }

  void trayTooltipAndBalloon() {
    CSystemTray tray;
    QVERIFY(!tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("Vorlane"),
                              QSystemTrayIcon::Information, 10));
    QVERIFY(tray.Create(QString(200, QLatin1Char('x')), ProgramIcons::Program(), true));
    QCOMPARE(tray.ToolTip().size(), CSystemTray::MaxTooltipLength);
    // The offscreen platform has no notification area, hence no balloons.
    QVERIFY(!tray.BalloonsSupported());
    QVERIFY(!tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("Vorlane"),
                              QSystemTrayIcon::Information, 10));
  }

  void trayAnimation() {
    CSystemTray tray;
    const QIcon program = ProgramIcons::Program();
    tray.Create(QStringLiteral("Vorlane"), program, true);
    const qint64 still = tray.CurrentIconKey();
    QVERIFY(!tray.Animate(150, CSystemTray::Forever));  // no frames yet
    QVERIFY(!tray.StopAnimation());
    QCOMPARE(tray.CurrentIconKey(), still);

    const QList<QIcon> frames = ProgramIcons::AnimationFrames();
    QCOMPARE(frames.size(), 5);
    QVERIFY(tray.SetIconList(frames));
    QVERIFY(tray.Animate(10, CSystemTray::Forever));
    QVERIFY(tray.IsAnimating());
    QTRY_VERIFY(tray.FrameIndex() == 4);
    QTRY_VERIFY(tray.FrameIndex() == 0);  // wraps around
    QVERIFY(tray.StopAnimation());
    QVERIFY(!tray.IsAnimating());
    QCOMPARE(tray.CurrentIconKey(), still);

    // A limited animation stops by itself and puts the icon back.
    QVERIFY(tray.Animate(10, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!tray.IsAnimating(), 3000);
    QCOMPARE(tray.CurrentIconKey(), still);
  }
};

REGISTER_UI_TEST(PopupAndTrayTest)
#include "PopupAndTrayTest.moc"
