#include "ui/ProgramInfo.h"

#include <QString>
#include <QUrl>

#include "config/Settings.h"

namespace ProgramInfo {

std::string SitePage() {
  return ProgramPlaces().HelpFilePath;
}

std::string DownloadPage() {
  // A file path cannot carry a fragment, so the section is reached through a file URL.
  QUrl page = QUrl::fromLocalFile(QString::fromStdString(ProgramPlaces().HelpFilePath));
  page.setFragment(QStringLiteral("install"));
  return page.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace ProgramInfo
