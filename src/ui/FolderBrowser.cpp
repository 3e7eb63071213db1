#include "ui/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include "config/UiTexts.h"
#include "platform/Paths.h"

namespace FolderBrowser {

void BrowseInto(QWidget* owner, QLineEdit* edit) {
  const QString current = edit->text();
  QString start = QString::fromStdString(Platform::ExpandHome(current.toStdString()));
  // A folder that does not exist yet opens the browser at its nearest existing parent.
  while (!start.isEmpty() && !QDir(start).exists()) {
    const QString parent = QFileInfo(start).path();
    if (parent == start) break;
    start = parent;
  }
  QFileDialog dialog(owner, QString::fromStdString(UiTexts::Get(UiTextKey::BrowseDirectory)),
                     start);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (dialog.exec() != QDialog::Accepted) return;
  const QStringList picked = dialog.selectedFiles();
  if (picked.isEmpty() || picked.front().isEmpty()) return;
  edit->setText(QDir::toNativeSeparators(picked.front()));
}

}  // namespace FolderBrowser
