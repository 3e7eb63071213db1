#pragma once

#include <string>

#include "app/ViewTypes.h"
#include "engine/MessageSink.h"
#include "win32/WinHeaders.h"

class UiThreadBridge;

// Message boxes titled with the program's name, and the core's message sink, which
// shows the core's messages as such boxes on the UI thread.
namespace MessageBoxes {

// A box with OK (UI thread only).
void Show(HWND owner, MessageKind kind, const std::string& text);
// A Yes/No question with the exclamation icon; true only for Yes (UI thread only).
bool AskYesNo(HWND owner, const std::string& text);
// The question about unsaved changes: Save (IDYES), Don't Save (IDNO) and Cancel; the
// title bar's X and Esc are Cancel (UI thread only).
Answer AskToSave(HWND owner, const std::string& text);

// The core's messages become boxes on the UI thread; a thread that reports one waits
// until it is closed. Once the bridge is closed (at exit) they are dropped.
void InstallSink(UiThreadBridge& bridge);
void UninstallSink();

}  // namespace MessageBoxes
