#include <QApplication>

#include "ui/CQuellbyApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorlane"));
  QApplication::setDesktopFileName(QStringLiteral("vorlane"));
  CQuellbyApp quellby(QApplication::arguments());
  if (!quellby.InitInstance()) return 0;
  return quellby.ExitInstance(quellby.HasFinished() ? 0 : QApplication::exec());
}
