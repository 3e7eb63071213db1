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

#include <limits>

#include "config/OutputFolderCheck.h"
#include "config/Settings.h"
#include "config/SizeText.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "sources/ContentKinds.h"
#include "ui/DialogUnits.h"
#include "ui/FilterListModel.h"
#include "ui/FolderBrowser.h"
#include "ui/GuiMessages.h"

namespace {

QString Text(UiTextKey key) {
  return QString::fromStdString(UiTexts::Get(key));
}

}  // namespace

CEditFilterDlg::CEditFilterDlg(FilterRecord& record, const QString& title, QWidget* parent)
    : QDialog(parent), Record(record) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowTitle(title);

  ContentType = new QComboBox(this);
  // Each entry carries its code: a group's text is a translation, not a kind word.
  for (const KindCode code : KindOrder) ContentType->addItem(FilterListModel::KindText(code), code);
  ContentType->setMaxVisibleItems(static_cast<int>(KindOrder.size()));
  MinSize = new QLineEdit(this);
  Url = new QLineEdit(this);
  MinWidth = new QLineEdit(this);
  MinHeight = new QLineEdit(this);
  Folder = new QLineEdit(this);
  FileName = new QLineEdit(this);
  Browse = new QToolButton(this);
  Browse->setText(QStringLiteral("..."));
  connect(Browse, &QToolButton::clicked, this, &CEditFilterDlg::BrowseFolder);

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

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(UiTextKey::OK));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(UiTextKey::Cancel));
  buttons->setCenterButtons(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditFilterDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setSpacing(units.Y(10));
  layout->addLayout(grid);
  layout->addWidget(buttons);

  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [] { OpenWithDesktop(ProgramPlaces().HelpFilePath); });

  const int found = ContentType->findData(Record.ContentType);
  ContentType->setCurrentIndex(found >= 0 ? found : 0);
  MinSize->setText(QString::number(Record.MinSize));
  Url->setText(QString::fromStdString(Record.URL));
  MinWidth->setText(QString::number(Record.MinWidth));
  MinHeight->setText(QString::number(Record.MinHeight));
  Folder->setText(QString::fromStdString(Record.Directory));
  FileName->setText(QString::fromStdString(Record.FileNameDummy));
}

int32_t CEditFilterDlg::LeadingInteger(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Summed in 64 bits and held at the field's limits, so a long run of digits cannot
  // wrap into a different number.
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(value * 10 + (text[i].unicode() - u'0'), kLimit);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool CEditFilterDlg::IsAcceptableFolder(const QString& text) {
  return Platform::IsLocalFolderPath(text.toStdString());
}

QString CEditFilterDlg::FolderMessage(const QString& text) {
  const OutputFolderProblem problem = CheckOutputFolder(text.toStdString());
  if (problem == OutputFolderProblem::None) return {};
  return Text(UiTextKey::ErrorDirectory) + QLatin1Char('\n') +
         Text(OutputFolderProblemText(problem));
}

void CEditFilterDlg::Refuse(UiTextKey text, QLineEdit* field) {
  GuiMessages::ShowBox(MessageKind::Warning, Text(text), this);
  field->setFocus();
  field->selectAll();
}

void CEditFilterDlg::accept() {
  const std::optional<int32_t> minSize = ParseSizeText(MinSize->text().toStdString());
  if (!minSize) {
    Refuse(UiTextKey::ErrorMinSize, MinSize);
    return;
  }
  const int32_t minWidth = LeadingInteger(MinWidth->text());
  const int32_t minHeight = LeadingInteger(MinHeight->text());
  // With one of the two the pixel test is off, which the user cannot have meant.
  if ((minWidth != 0) != (minHeight != 0)) {
    Refuse(UiTextKey::HintPixelTest, minWidth != 0 ? MinHeight : MinWidth);
    return;
  }
  const QString folder = Folder->text();
  if (const QString message = FolderMessage(folder); !message.isEmpty()) {
    GuiMessages::ShowBox(MessageKind::Warning, message, this);
    Folder->setFocus();
    return;
  }
  Record.Directory = folder.toStdString();
  Record.ContentType = ContentType->currentData().toInt();
  Record.MinSize = *minSize;
  Record.URL = Url->text().toStdString();
  Record.MinWidth = minWidth;
  Record.MinHeight = minHeight;
  Record.FileNameDummy = FileName->text().toStdString();
  QDialog::accept();
}

void CEditFilterDlg::BrowseFolder() {
  FolderBrowser::BrowseInto(this, Folder);
}
