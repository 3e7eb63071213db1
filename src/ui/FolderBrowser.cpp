#include "ui/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>

namespace FolderBrowser {

std::optional<std::string> Choose(QWidget* owner, const std::string& title,
                                  const std::string& start) {
  QFileDialog dialog(owner, QString::fromStdString(title), QString::fromStdString(start));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList picked = dialog.selectedFiles();
  if (picked.isEmpty() || picked.front().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(picked.front()).toStdString();
}

}  // namespace FolderBrowser
