#include "ui/CProgressDlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/DialogUnits.h"

namespace {

QRect AvailableArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
  // A tool window of a program without a window of its own gets a task bar entry from
  // many X11 panels; past the window manager it gets none, stays on top and never takes
  // the keyboard away from what the user is doing.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowTitle(QStringLiteral("Vorlane"));
  Bar = new QProgressBar(this);
  Bar->setRange(0, 100);
  Bar->setValue(0);
  Bar->setTextVisible(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Bar);
  setFixedSize(DialogUnits(font()).Size(118, 16));
  CentreOnScreen();
}

void CProgressDlg::SetTransparency(int alpha) {
  setWindowOpacity(static_cast<double>(alpha & 0xFF) / 255.0);
}

void CProgressDlg::SetPosition(int percent) {
  Bar->setValue(std::clamp(percent, 0, 100));
}

int CProgressDlg::Position() const {
  return Bar->value();
}

void CProgressDlg::setVisible(bool visible) {
  if (!OnCenter) MoveToCorner();
  QWidget::setVisible(visible);
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CProgressDlg::CentreOnScreen() {
  const QRect area = AvailableArea();
  if (area.isEmpty()) return;
  move(area.center() - rect().center());
}

void CProgressDlg::MoveToCorner() {
  const QRect area = AvailableArea();
  if (area.isEmpty()) return;
  move(area.right() - width() + 1, area.bottom() - height() + 1);
}
