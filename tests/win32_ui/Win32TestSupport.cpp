#include "Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "win32/ComPtr.h"
#include "win32/Dialog.h"

namespace win32test {

namespace {

// The script of this thread; a hook procedure has no other way to its object.
thread_local ModalScript* t_script = nullptr;

constexpr UINT_PTR kStepTimer = 0x5C21;

bool IsDialog(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring_view(name) == L"#32770";
}

// What every Win32 UI test needs: the common controls (version 6, from the manifest)
// and an apartment for the shell's dialogs.
class Win32Environment : public testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    Com = std::make_unique<ComApartment>();
  }
  void TearDown() override { Com.reset(); }

 private:
  std::unique_ptr<ComApartment> Com;
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new Win32Environment);

}  // namespace

void ServePendingMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HANDLE wake) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    ServePendingMessages();
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjectsEx(wake ? 1 : 0, wake ? &wake : nullptr,
                                  static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
  }
}

ModalScript::ModalScript(std::vector<Step> steps) : Steps(steps.begin(), steps.end()) {
  t_script = this;
  CbtHook.Reset(::SetWindowsHookExW(WH_CBT, &ModalScript::Hook, nullptr, ::GetCurrentThreadId()));
}

ModalScript::~ModalScript() {
  CbtHook.Reset();
  t_script = nullptr;
}

LRESULT CALLBACK ModalScript::Hook(int code, WPARAM wParam, LPARAM lParam) {
  ModalScript* script = t_script;
  auto* window = reinterpret_cast<HWND>(wParam);
  if (script && code == HCBT_ACTIVATE && IsDialog(window) && !script->Steps.empty() &&
      std::find(script->Seen.begin(), script->Seen.end(), window) == script->Seen.end()) {
    script->Seen.push_back(window);
    // Activation comes before the dialog's loop runs; the step waits for the loop.
    ::SetTimer(window, kStepTimer, 0, &ModalScript::Fire);
  }
  if (script && code == HCBT_DESTROYWND) {
    std::erase(script->Seen, window);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ModalScript::Fire(HWND dialog, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(dialog, timer);
  ModalScript* script = t_script;
  if (!script || script->Steps.empty()) return;
  Step step = std::move(script->Steps.front());
  script->Steps.pop_front();
  step(dialog);
}

ModalScript::Step Press(int button, std::string* text) {
  return [button, text](HWND dialog) {
    // A message box shows its text in the static control 0xFFFF.
    if (text) *text = TextOf(::GetDlgItem(dialog, 0xFFFF));
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  };
}

CSystemTray::NotifyFunction NotifyRecorder::Function() {
  return [this](DWORD action, const NOTIFYICONDATAW& data) {
    Calls.push_back(Call{action, data});
    return Accept(action);
  };
}

std::string TextOf(HWND window) {
  return WindowText(window);
}

SIZE SizeOf(HWND window) {
  RECT frame{};
  ::GetWindowRect(window, &frame);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace win32test
