#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

#include "ui/CQuellbyApp.h"
#include "ui/TerminationNotifier.h"

int main(int argc, char** argv) {
  {
    // Answered before Qt starts: no display is needed to ask for the version.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<CQuellbyApp::InfoAnswer> answer = CQuellbyApp::InfoRequest(arguments)) {
      std::fputs(answer->Text.c_str(), stdout);
      return answer->ExitCode;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorlane"));
  QApplication::setDesktopFileName(QStringLiteral("vorlane"));
  CQuellbyApp quellby(QApplication::arguments());
  if (!quellby.InitInstance()) return 0;
  // Logout and shutdown end the program as its Exit command does, keeping unsaved filters.
  TerminationNotifier termination;
  QObject::connect(&termination, &TerminationNotifier::TerminationRequested, &quellby,
                   &CQuellbyApp::Terminate);
  return quellby.ExitInstance(quellby.HasFinished() ? 0 : QApplication::exec());
}
