#include "win32/MessageBoxes.h"

#include <string_view>
#include <utility>

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

// A message box's buttons keep their identifiers but say what they do: the texts are
// set as the box first becomes active, from a hook of this thread's own.
thread_local HHOOK g_relabelHook = nullptr;

LRESULT CALLBACK RelabelButtons(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT next = ::CallNextHookEx(nullptr, code, wParam, lParam);
  if (code != HCBT_ACTIVATE || !g_relabelHook) return next;
  auto* box = reinterpret_cast<HWND>(wParam);
  wchar_t name[16] = {};
  ::GetClassNameW(box, name, 16);
  if (std::wstring_view(name) != L"#32770") return next;
  ::SetDlgItemTextW(box, IDYES, WideText::Ui(UiTextKey::Save).c_str());
  ::SetDlgItemTextW(box, IDNO, WideText::Ui(UiTextKey::DontSave).c_str());
  ::SetDlgItemTextW(box, IDCANCEL, WideText::Ui(UiTextKey::Cancel).c_str());
  ::UnhookWindowsHookEx(std::exchange(g_relabelHook, nullptr));
  return next;
}

}  // namespace

Answer AskToSave(HWND owner, const std::string& text) {
  g_relabelHook = ::SetWindowsHookExW(WH_CBT, &RelabelButtons, nullptr, ::GetCurrentThreadId());
  const int answer = Box(owner, text, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
  if (g_relabelHook) ::UnhookWindowsHookEx(std::exchange(g_relabelHook, nullptr));
  if (answer == IDYES) return Answer::Yes;
  return answer == IDNO ? Answer::No : Answer::Cancel;
}

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
