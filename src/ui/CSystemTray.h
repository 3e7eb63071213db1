#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <optional>

class QMenu;

// The program's notification-area icon: its picture, the capture animation and the
// balloon tips. The desktop's notification service (and putting the icon back after
// the panel restarts) is Qt's.
class CSystemTray : public QObject {
  Q_OBJECT

 public:
  static constexpr int MaxTooltipLength = 127;
  static constexpr int MaxBalloonTextLength = 255;
  static constexpr int MaxBalloonTitleLength = 63;
  // A duration that never runs out.
  static constexpr unsigned Forever = ~0u;

  explicit CSystemTray(QObject* parent = nullptr);
  ~CSystemTray() override;

  // Makes the icon with its tooltip (cut to 127 characters) and picture and, unless
  // hidden, puts it into the notification area (where there is one now or later).
  bool Create(const QString& tooltip, const QIcon& icon, bool hidden);
  bool SetIcon(const QIcon& icon);
  // Replaces the tooltip (cut to 127 characters).
  void SetToolTip(const QString& tooltip);
  bool ShowBalloon(const QString& text, const QString& title, QSystemTrayIcon::MessageIcon icon,
                   int seconds);
  // The animation frames; false (and no frames) for an empty list.
  bool SetIconList(const QList<QIcon>& frames);
  // Steps through the frames every `delayMs` until stopped or `durationSeconds` ran out
  // (0 and Forever: until stopped). False without frames.
  bool Animate(int delayMs, unsigned durationSeconds);
  // Ends the animation and shows the picture from before it; false when none ran.
  bool StopAnimation();
  bool StepAnimation();
  bool RemoveIcon();
  void SetContextMenu(QMenu* menu);

  // Whether the desktop offers a notification area now.
  bool IsAvailable() const;
  bool BalloonsSupported() const;
  bool IsEnabled() const { return Enabled; }
  bool IsAnimating() const { return Timer.isActive(); }
  int FrameIndex() const { return Frame; }
  qint64 CurrentIconKey() const { return Current.cacheKey(); }
  QString ToolTip() const;

  // Makes IsAvailable answer as given (screenshots of the window as a tray user sees
  // it); std::nullopt asks the desktop again.
  static void OverrideAvailability(std::optional<bool> available);

 signals:
  // A left click (or the desktop's primary activation) on the icon.
  void LeftClicked();

 private:
  void OnTimer();

  std::unique_ptr<QSystemTrayIcon> Icon;
  bool Enabled = false;
  bool Hidden = true;
  bool Removed = true;
  QList<QIcon> Frames;
  int Frame = 0;
  QTimer Timer;
  QElapsedTimer Started;
  unsigned Duration = 0;
  std::optional<QIcon> SavedIcon;
  QIcon Current;
};
