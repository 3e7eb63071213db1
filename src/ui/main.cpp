#include <QApplication>

#include "ui/CQuellbyApp.h"
#include "ui/TerminationNotifier.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorlane"));
  QApplication::setDesktopFileName(QStringLiteral("vorlane"));
  CQuellbyApp quellby(QApplication::arguments());
  if (!quellby.InitInstance()) return 0;
  // Logout and shutdown end the program as its Exit command does.
  TerminationNotifier termination;
  QObject::connect(&termination, &TerminationNotifier::TerminationRequested, &quellby,
                   &CQuellbyApp::Exit);
  return quellby.ExitInstance(quellby.HasFinished() ? 0 : QApplication::exec());
}
