#pragma once

#include <QColor>
#include <QCursor>
#include <QLabel>

#include <optional>

// A text label that can draw itself in its own colour and weight and, as a link,
// open its own text with the desktop when clicked.
class CLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CLabel(QWidget* parent = nullptr);

  void SetTextColor(const QColor& color);
  void SetBold(bool bold);
  void SetUnderline(bool underline);
  // A link receives clicks; other labels let them pass.
  void SetLink(bool link);
  // The cursor shown over the label; without one the default cursor shows.
  void SetLinkCursor(const QCursor& cursor);

  bool IsLink() const { return Link; }

 signals:
  void Opened(const QString& target);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool Link = false;
};
