// The Windows tray program: one instance per session, living in the notification area.
#include "platform/Console.h"
#include "win32/CQuellbyApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The arguments come from the wide command line.
  CQuellbyApp app(Platform::CommandLineArguments(0, nullptr));
  if (!app.InitInstance()) return 0;
  return app.ExitInstance(app.Run());
}
