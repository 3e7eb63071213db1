#include "ui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "ui/CLabel.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

namespace {

CLabel* CentredLabel(QWidget* parent) {
  auto* label = new CLabel(parent);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  Product = CentredLabel(this);
  Notice = CentredLabel(this);
  Address = CentredLabel(this);
  Comments = CentredLabel(this);
  Comments->setWordWrap(true);

  Product->SetBold(true);
  Address->SetLink(true);
  Address->SetUnderline(true);
  // The theme's link colour stays readable on dark palettes too.
  Address->SetTextColor(palette().color(QPalette::Link));
  Address->SetLinkCursor(Qt::PointingHandCursor);

  setWindowTitle(Text(UiTextKey::AboutTitle));
  Product->setText(QString::fromLatin1(ProgramInfo::ProductTitle));
  Notice->setText(Text(UiTextKey::AboutNotice));
  Address->setText(QString::fromStdString(ProgramInfo::SitePage()));
  Comments->setText(Text(UiTextKey::Comments));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(UiTextKey::OK));
  buttons->setCenterButtons(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  // The link is only as wide as its text, so the hand shows over the link alone.
  auto* linkRow = new QHBoxLayout;
  linkRow->addStretch();
  linkRow->addWidget(Address);
  linkRow->addStretch();

  const DialogUnits units(font());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  layout->setSpacing(units.Y(8));
  layout->addWidget(Product);
  layout->addWidget(Notice);
  layout->addLayout(linkRow);
  layout->addWidget(Comments);
  layout->addStretch();
  layout->addWidget(buttons);
  setMinimumWidth(units.X(209));
}
