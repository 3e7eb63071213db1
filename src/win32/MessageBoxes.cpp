#include "win32/MessageBoxes.h"

#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "win32/UiThreadBridge.h"
#include "win32/WideText.h"

namespace MessageBoxes {

namespace {

UINT IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return MB_ICONERROR;
    case MessageKind::Warning:
      return MB_ICONEXCLAMATION;
    case MessageKind::Information:
      break;
  }
  return MB_ICONINFORMATION;
}

int Box(HWND owner, const std::string& text, UINT type) {
  return ::MessageBoxW(owner, WideText::FromUtf8(text).c_str(),
                       WideText::FromUtf8(ProgramInfo::Name).c_str(), type | MB_SETFOREGROUND);
}

}  // namespace

void Show(HWND owner, MessageKind kind, const std::string& text) {
  Box(owner, text, MB_OK | IconOf(kind));
}

bool AskYesNo(HWND owner, const std::string& text) {
  return Box(owner, text, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

void InstallSink(UiThreadBridge& bridge) {
  InstallMessageHandler([&bridge](MessageKind kind, const UiMessage& message) {
    const std::string text = ComposeMessage(message);
    bridge.Run([kind, &text] { Show(nullptr, kind, text); });
  });
}

void UninstallSink() {
  InstallMessageHandler(nullptr);
}

}  // namespace MessageBoxes
