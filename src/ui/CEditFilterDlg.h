#pragma once

#include <QDialog>
#include <QString>

#include "app/FilterEditorController.h"
#include "app/FilterEditorView.h"
#include "engine/FilterRecord.h"

class QComboBox;
class QLineEdit;
class QToolButton;

// The modal editor of one filter: it shows the fields and forwards OK, "..." and F1 to
// its controller, which changes the record only on an OK whose fields all passed.
class CEditFilterDlg : public QDialog, private FilterEditorView {
  Q_OBJECT

 public:
  CEditFilterDlg(FilterRecord& record, const QString& title, QWidget* parent = nullptr);

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
  void BuildFields();
  QWidget* FieldWidget(FilterFields::Field field) const;

  FilterFields Fields() const override;
  void ShowFields(const FilterFields& fields) override;
  void ShowFolder(const std::string& folder) override;
  void Refuse(const std::string& message, FilterFields::Field field, bool selectText) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;
  void Open(const std::string& target) override;

  FilterEditorController Controller;
  QComboBox* ContentType = nullptr;
  QLineEdit* MinSize = nullptr;
  QLineEdit* Url = nullptr;
  QLineEdit* MinWidth = nullptr;
  QLineEdit* MinHeight = nullptr;
  QLineEdit* Folder = nullptr;
  QLineEdit* FileName = nullptr;
  QToolButton* Browse = nullptr;
};
