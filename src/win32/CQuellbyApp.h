#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/CQuellbyMain.h"
#include "win32/CQuellbyDlg.h"
#include "win32/ComPtr.h"
#include "win32/RunningInstance.h"
#include "win32/UiThreadBridge.h"

// The application: one instance per session, the start-up order, the message loop and
// the clean exit.
class CQuellbyApp {
 public:
  explicit CQuellbyApp(std::vector<std::string> arguments);
  ~CQuellbyApp();
  CQuellbyApp(const CQuellbyApp&) = delete;
  CQuellbyApp& operator=(const CQuellbyApp&) = delete;

  // The command word: the first argument that does not begin with "-" or "/".
  static std::string CommandWord(const std::vector<std::string>& arguments);

  // True to run the message loop; false when this process must end at once (another
  // instance runs, or "Close" was given).
  bool InitInstance();
  // The message loop, until Exit has run and no capture is left; the exit code.
  int Run();
  // After the loop: the main window goes (tray icon removed), then the engine (settings
  // written), then the instance mark.
  int ExitInstance(int code);
  // The tray menu's Exit and a later start's "Close": the windows take no more work, a
  // running capture is asked to stop, and the loop ends once it has.
  void Exit();

  CQuellbyDlg* MainWindow() const { return Window.get(); }

 private:
  bool IsSingleInstance();
  void Dispatch(MSG& message);

  std::vector<std::string> Arguments;
  std::unique_ptr<ComApartment> Com;
  RunningInstance Instance;
  UiThreadBridge Bridge;
  std::unique_ptr<CQuellbyMain> Engine;
  std::unique_ptr<CQuellbyDlg> Window;
  HACCEL Keys = nullptr;
  bool Leaving = false;
  bool Asking = false;
  bool SinkInstalled = false;
};
