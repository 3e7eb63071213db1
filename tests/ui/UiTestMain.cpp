#include <QApplication>

#include "UiTestSupport.h"

int main(int argc, char** argv) {
  // The sandbox comes first: the program's places and settings read the environment.
  uitest::SetUpSandbox();
  int failures = 0;
  {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    failures = uitest::RunRegisteredTests(argc, argv);
  }
  uitest::TearDownSandbox();
  return failures == 0 ? 0 : 1;
}
