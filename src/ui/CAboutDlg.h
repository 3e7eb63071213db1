#pragma once

#include <QDialog>

class CLabel;

// The about box: name and version, the maker's notice, the manual as a link (until the
// project has a public address) and the comment line of the language file.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  CLabel* ProductLabel() const { return Product; }
  CLabel* NoticeLabel() const { return Notice; }
  CLabel* LinkLabel() const { return Address; }
  CLabel* CommentsLabel() const { return Comments; }

 private:
  CLabel* Product = nullptr;
  CLabel* Notice = nullptr;
  CLabel* Address = nullptr;
  CLabel* Comments = nullptr;
};
