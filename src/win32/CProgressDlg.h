#pragma once

#include "win32/Dialog.h"

// The capture popup: a small translucent progress bar that follows a capture. Made
// once, hidden; shown and hidden by the capture state. Enter and Esc do not close it.
class CProgressDlg : public Dialog {
 public:
  CProgressDlg();

  // Makes the popup (hidden), centred in the work area, range 0 to 100.
  bool Create(HWND owner);
  // Whole-window opacity, 0 (invisible) to 255 (opaque); the popup becomes layered.
  void SetTransparency(int alpha);
  // false: the popup sits in the bottom-right corner of the work area whenever it is
  // shown or hidden; true: it stays where it was made.
  void SetOnCenter(bool onCenter) { OnCenter = onCenter; }
  void SetPosition(int percent);
  int Position() const;
  // Shown without taking the focus from the user's window.
  void Show();
  void Hide();

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void MoveToCorner();

  bool OnCenter = true;
};
