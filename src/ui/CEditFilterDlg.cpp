#include "ui/CEditFilterDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/UiTexts.h"
#include "ui/DialogUnits.h"
#include "ui/FolderBrowser.h"
#include "ui/GuiMessages.h"
#include "ui/QtText.h"

CEditFilterDlg::CEditFilterDlg(FilterRecord& record, const QString& title, QWidget* parent)
    : QDialog(parent), Controller(record, *this) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowTitle(title);
  BuildFields();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(UiTextKey::OK));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(UiTextKey::Cancel));
  buttons->setCenterButtons(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditFilterDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout()->addWidget(buttons);

  connect(Browse, &QToolButton::clicked, this, [this] { Controller.BrowseFolder(); });
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { Controller.Help(); });
  Controller.Load();
}

void CEditFilterDlg::BuildFields() {
  ContentType = new QComboBox(this);
  // Each entry carries its code: a group's text is a translation, not a kind word.
  for (const auto& [code, text] : FilterEditorController::KindChoices()) {
    ContentType->addItem(QString::fromStdString(text), code);
  }
  ContentType->setMaxVisibleItems(ContentType->count());
  MinSize = new QLineEdit(this);
  Url = new QLineEdit(this);
  MinWidth = new QLineEdit(this);
  MinHeight = new QLineEdit(this);
  Folder = new QLineEdit(this);
  FileName = new QLineEdit(this);
  Browse = new QToolButton(this);
  Browse->setText(QStringLiteral("..."));

  const std::pair<UiTextKey, QWidget*> rows[] = {
      {UiTextKey::FilterListContentType, ContentType},
      {UiTextKey::FilterListMinSize, MinSize},
      {UiTextKey::FilterListURL, Url},
      {UiTextKey::FilterListMinWidth, MinWidth},
      {UiTextKey::FilterListMinHeight, MinHeight},
      {UiTextKey::FilterListDirectory, Folder},
      {UiTextKey::FilterListFileNameDummy, FileName},
  };
  const DialogUnits units(font());
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(units.X(10));
  int row = 0;
  for (const auto& [key, control] : rows) {
    auto* label = new QLabel(Text(key), this);
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    if (control == Folder) {
      auto* folderRow = new QHBoxLayout;
      folderRow->setSpacing(units.X(2));
      folderRow->addWidget(Folder, 1);
      folderRow->addWidget(Browse);
      grid->addLayout(folderRow, row, 1);
    } else {
      grid->addWidget(control, row, 1);
    }
    ++row;
  }
  grid->setColumnMinimumWidth(1, units.X(150));
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setSpacing(units.Y(10));
  layout->addLayout(grid);
}

void CEditFilterDlg::accept() {
  if (Controller.Accept()) QDialog::accept();
}

QWidget* CEditFilterDlg::FieldWidget(FilterFields::Field field) const {
  switch (field) {
    case FilterFields::ContentType:
      return ContentType;
    case FilterFields::MinSize:
      return MinSize;
    case FilterFields::Url:
      return Url;
    case FilterFields::MinWidth:
      return MinWidth;
    case FilterFields::MinHeight:
      return MinHeight;
    case FilterFields::Folder:
      return Folder;
    case FilterFields::FileName:
      break;
  }
  return FileName;
}

FilterFields CEditFilterDlg::Fields() const {
  FilterFields fields;
  fields.Kind = ContentType->currentData().toInt();
  fields.MinSizeText = MinSize->text().toStdString();
  fields.UrlText = Url->text().toStdString();
  fields.MinWidthText = MinWidth->text().toStdString();
  fields.MinHeightText = MinHeight->text().toStdString();
  fields.FolderText = Folder->text().toStdString();
  fields.FileNameText = FileName->text().toStdString();
  return fields;
}

void CEditFilterDlg::ShowFields(const FilterFields& fields) {
  ContentType->setCurrentIndex(std::max(ContentType->findData(fields.Kind), 0));
  MinSize->setText(QString::fromStdString(fields.MinSizeText));
  Url->setText(QString::fromStdString(fields.UrlText));
  MinWidth->setText(QString::fromStdString(fields.MinWidthText));
  MinHeight->setText(QString::fromStdString(fields.MinHeightText));
  Folder->setText(QString::fromStdString(fields.FolderText));
  FileName->setText(QString::fromStdString(fields.FileNameText));
}

void CEditFilterDlg::ShowFolder(const std::string& folder) {
  Folder->setText(QString::fromStdString(folder));
}

void CEditFilterDlg::Refuse(const std::string& message, FilterFields::Field field,
                            bool selectText) {
  GuiMessages::ShowBox(MessageKind::Warning, QString::fromStdString(message), this);
  QWidget* widget = FieldWidget(field);
  widget->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && selectText) edit->selectAll();
}

std::optional<std::string> CEditFilterDlg::ChooseFolder(const std::string& title,
                                                        const std::string& start) {
  return FolderBrowser::Choose(this, title, start);
}

void CEditFilterDlg::Open(const std::string& target) {
  OpenWithDesktop(target);
}
