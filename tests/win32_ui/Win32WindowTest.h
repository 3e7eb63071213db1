#pragma once

#include <memory>

#include "AppTestSupport.h"
#include "Win32TestSupport.h"
#include "engine/CQuellbyMain.h"
#include "win32/CQuellbyDlg.h"
#include "win32/UiThreadBridge.h"

namespace win32test {

// The main window over a real engine in a sandbox of program places (see AppTest),
// with the shell's notification call recorded. The engine never sees a browser run.
class Win32WindowTest : public apptest::AppTest {
 protected:
  Win32WindowTest() { Bridge.Create(); }

  // Makes the window (hidden) with its list, tray icon and popup.
  CQuellbyDlg& MakeWindow() {
    Window = std::make_unique<CQuellbyDlg>(*Engine, Bridge, Shell.Function());
    EXPECT_TRUE(Window->Create());
    return *Window;
  }
  // A click on a tool button or a menu item of the window.
  void Command(int id) const {
    ::SendMessageW(Window->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Window->Item(id)));
  }

  NotifyRecorder Shell;
  UiThreadBridge Bridge;
  std::unique_ptr<CQuellbyMain> Engine = apptest::MakeEngine();
  std::unique_ptr<CQuellbyDlg> Window;
};

}  // namespace win32test
