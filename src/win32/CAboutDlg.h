#pragma once

#include "win32/CLabel.h"
#include "win32/Dialog.h"

// The about box: the program's name and version, the notice, the web address as a
// link and the comment line of the language file. Modal; OK closes it.
class CAboutDlg : public Dialog {
 public:
  CAboutDlg();

  CLabel& Product() { return ProductLabel; }
  CLabel& Link() { return LinkLabel; }
  CLabel& Comments() { return CommentsLabel; }

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  CLabel ProductLabel;
  CLabel NoticeLabel;
  CLabel LinkLabel;
  CLabel CommentsLabel;
};
