#pragma once

#include <QWidget>

class QProgressBar;

// The small translucent popup that follows a capture: a borderless progress bar kept
// above other windows, without a taskbar entry, that the keyboard cannot close.
class CProgressDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CProgressDlg(QWidget* parent = nullptr);

  // Opacity from the setting's low eight bits: 0 invisible, 255 opaque.
  void SetTransparency(int alpha);
  // true: stays where it was made (centred); false: flush with the bottom-right corner
  // of the available screen area each time it is shown or hidden.
  void SetOnCenter(bool onCenter) { OnCenter = onCenter; }
  void SetPosition(int percent);
  int Position() const;

  void setVisible(bool visible) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOnScreen();
  void MoveToCorner();

  QProgressBar* Bar = nullptr;
  bool OnCenter = true;
};
