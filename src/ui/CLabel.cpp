#include "ui/CLabel.h"

#include <QMouseEvent>

#include "ui/GuiMessages.h"

CLabel::CLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
}

void CLabel::SetTextColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, color);
  setPalette(colours);
}

void CLabel::SetBold(bool bold) {
  QFont changed = font();
  changed.setBold(bold);
  setFont(changed);
}

void CLabel::SetUnderline(bool underline) {
  QFont changed = font();
  changed.setUnderline(underline);
  setFont(changed);
}

void CLabel::SetLink(bool link) {
  Link = link;
}

void CLabel::SetLinkCursor(const QCursor& cursor) {
  setCursor(cursor);
}

void CLabel::mousePressEvent(QMouseEvent* event) {
  if (Link && event->button() == Qt::LeftButton) {
    OpenWithDesktop(text().toStdString());
    emit Opened(text());
  }
  QLabel::mousePressEvent(event);
}
