#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

#include "config/UiTexts.h"
#include "engine/FilterRecord.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// The modal editor of one filter. It changes the record it was given only on an OK
// whose output folder passed the local-folder rule.
class CEditFilterDlg : public QDialog {
  Q_OBJECT

 public:
  // The kinds in the order the content-type list shows them: every kind, the three
  // groups (100..102), the original kinds, then the newer ones (20..29).
  static constexpr std::array<KindCode, 33> KindOrder = {
      0,  100, 101, 102, 1,  2,  3,  4,  5,  6,  17, 18, 7,  12, 19, 13, 14,
      15, 8,   9,   10,  11, 16, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};

  CEditFilterDlg(FilterRecord& record, const QString& title, QWidget* parent = nullptr);

  // The decimal integer at the start of a text (leading blanks and a sign allowed),
  // 0 without digits, held to the range of the field.
  static int32_t LeadingInteger(const QString& text);
  // Whether an output folder text is acceptable (local folder rule, "~/" allowed).
  static bool IsAcceptableFolder(const QString& text);
  // The message for a folder text that is refused, with the reason; "" when accepted.
  static QString FolderMessage(const QString& text);

  QComboBox* ContentTypeBox() const { return ContentType; }
  QLineEdit* MinSizeEdit() const { return MinSize; }
  QLineEdit* UrlEdit() const { return Url; }
  QLineEdit* MinWidthEdit() const { return MinWidth; }
  QLineEdit* MinHeightEdit() const { return MinHeight; }
  QLineEdit* FolderEdit() const { return Folder; }
  QLineEdit* FileNameEdit() const { return FileName; }
  QToolButton* BrowseButton() const { return Browse; }

 public slots:
  void accept() override;

 private:
  void BrowseFolder();
  // Tells why the text of `field` is refused and puts the cursor there.
  void Refuse(UiTextKey text, QLineEdit* field);

  FilterRecord& Record;
  QComboBox* ContentType = nullptr;
  QLineEdit* MinSize = nullptr;
  QLineEdit* Url = nullptr;
  QLineEdit* MinWidth = nullptr;
  QLineEdit* MinHeight = nullptr;
  QLineEdit* Folder = nullptr;
  QLineEdit* FileName = nullptr;
  QToolButton* Browse = nullptr;
};
