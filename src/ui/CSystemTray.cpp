#include "ui/CSystemTray.h"

#include <QMenu>

namespace {
std::optional<bool> g_availability;
}

CSystemTray::CSystemTray(QObject* parent) : QObject(parent) {
  connect(&Timer, &QTimer::timeout, this, &CSystemTray::OnTimer);
}

CSystemTray::~CSystemTray() {
  Timer.stop();
  RemoveIcon();
  Frames.clear();
}

bool CSystemTray::Create(const QString& tooltip, const QIcon& icon, bool hidden) {
  Enabled = true;
  Icon = std::make_unique<QSystemTrayIcon>();
  Icon->setToolTip(tooltip.left(MaxTooltipLength));
  Icon->setIcon(icon);
  Current = icon;
  connect(Icon.get(), &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) emit LeftClicked();
          });
  Hidden = hidden;
  if (!hidden) {
    // Qt adds the icon once a notification area appears, and again after the panel
    // restarts, so a missing area is not a failure here.
    Icon->show();
    Removed = false;
  }
  return true;
}

bool CSystemTray::SetIcon(const QIcon& icon) {
  if (!Enabled || !Icon) return false;
  Current = icon;
  Icon->setIcon(icon);
  return true;
}

bool CSystemTray::ShowBalloon(const QString& text, const QString& title,
                              QSystemTrayIcon::MessageIcon icon, int seconds) {
  if (!Enabled || !Icon || !BalloonsSupported() || Hidden) return false;
  Icon->showMessage(title.left(MaxBalloonTitleLength), text.left(MaxBalloonTextLength), icon,
                    seconds * 1000);
  return true;
}

bool CSystemTray::SetIconList(const QList<QIcon>& frames) {
  Frames = frames;
  return !Frames.isEmpty();
}

bool CSystemTray::Animate(int delayMs, unsigned durationSeconds) {
  if (Frames.isEmpty()) return false;
  StopAnimation();
  Frame = 0;
  Started.start();
  Duration = durationSeconds;
  if (Enabled) SavedIcon = Current;
  Timer.start(delayMs);
  return Timer.isActive();
}

bool CSystemTray::StopAnimation() {
  const bool wasRunning = Timer.isActive();
  Timer.stop();
  if (SavedIcon) SetIcon(*SavedIcon);
  SavedIcon.reset();
  return wasRunning;
}

bool CSystemTray::StepAnimation() {
  if (Frames.isEmpty()) return false;
  Frame = (Frame + 1) % static_cast<int>(Frames.size());
  return SetIcon(Frames[Frame]);
}

void CSystemTray::OnTimer() {
  if (Duration != 0 && Duration != Forever &&
      static_cast<double>(Started.elapsed()) / 1000.0 > static_cast<double>(Duration)) {
    StopAnimation();
    return;
  }
  StepAnimation();
}

bool CSystemTray::RemoveIcon() {
  if (!Enabled || Removed || !Icon) return true;
  Icon->hide();
  Hidden = Removed = true;
  return Removed;
}

void CSystemTray::SetContextMenu(QMenu* menu) {
  if (Icon) Icon->setContextMenu(menu);
}

bool CSystemTray::IsAvailable() const {
  if (g_availability) return *g_availability;
  return QSystemTrayIcon::isSystemTrayAvailable();
}

bool CSystemTray::BalloonsSupported() const {
  return IsAvailable() && QSystemTrayIcon::supportsMessages();
}

void CSystemTray::SetToolTip(const QString& tooltip) {
  if (Icon) Icon->setToolTip(tooltip.left(MaxTooltipLength));
}

QString CSystemTray::ToolTip() const {
  return Icon ? Icon->toolTip() : QString();
}

void CSystemTray::OverrideAvailability(std::optional<bool> available) {
  g_availability = available;
}
