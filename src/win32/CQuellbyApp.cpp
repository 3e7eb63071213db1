#include "win32/CQuellbyApp.h"

#include <utility>

#include "config/Settings.h"
#include "platform/Files.h"
#include "win32/MessageBoxes.h"
#include "win32/resources/ResourceIds.h"

namespace {

// While a capture still runs at exit, the loop looks this often whether it has ended.
constexpr DWORD kIdleCheckMs = 20;

bool IsDialog(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring_view(name) == L"#32770";
}

}  // namespace

CQuellbyApp::CQuellbyApp(std::vector<std::string> arguments) : Arguments(std::move(arguments)) {}

CQuellbyApp::~CQuellbyApp() {
  ExitInstance(0);
}

std::string CQuellbyApp::CommandWord(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.empty() || argument.front() == '-' || argument.front() == '/') continue;
    return argument;
  }
  return {};
}

bool CQuellbyApp::IsSingleInstance() {
  const bool close = CommandWord(Arguments) == "Close";
  if (Instance.Claim(close) == RunningInstance::Start::End) return true;
  Instance.Listen([this] { Exit(); },
                  [this] {
                    if (Window && !Leaving) Window->ShowMainWindow();
                  });
  return false;
}

bool CQuellbyApp::InitInstance() {
  if (IsSingleInstance()) return false;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                     ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  Com = std::make_unique<ComApartment>();
  if (!Bridge.Create()) return false;
  MessageBoxes::InstallSink(Bridge);
  SinkInstalled = true;
  const std::string dataFolder = ProgramPlaces().DataFolder;
  if (!dataFolder.empty() && !Platform::FolderExists(dataFolder)) {
    Platform::CreateFolder(dataFolder);
  }
  Engine = std::make_unique<CQuellbyMain>();
  Window = std::make_unique<CQuellbyDlg>(*Engine, Bridge);
  Window->SetExitHandler([this] { Exit(); });
  if (!Window->Create()) return false;
  Keys = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDA_MAIN));
  return true;
}

void CQuellbyApp::Dispatch(MSG& message) {
  HWND main = Window ? Window->Handle() : nullptr;
  HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // The main window's keys (Ctrl+N, Insert, F1...) before the dialog's own keys.
  if (root && root == main && Keys && ::TranslateAcceleratorW(main, Keys, &message)) return;
  if (root && IsDialog(root) && ::IsDialogMessageW(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

int CQuellbyApp::Run() {
  int code = 0;
  MSG message{};
  for (;;) {
    if (Leaving && !(Engine && Engine->IsBusy())) return code;
    // A wait for messages, not a sleep: a job that still reports to this thread is
    // served at once; while leaving, the loop also looks again every few milliseconds.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, Leaving ? kIdleCheckMs : INFINITE, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        code = static_cast<int>(message.wParam);
        Leaving = true;
        continue;
      }
      Dispatch(message);
    }
  }
}

void CQuellbyApp::Exit() {
  if (Leaving || Asking) return;
  if (Window) {
    // Cancel: the program goes on as if Exit had not been chosen. A second Exit that
    // arrives while the question is open is that same Exit.
    Asking = true;
    const bool goOn = Window->SavePrompt();
    Asking = false;
    if (!goOn) return;
  }
  Leaving = true;
  // Jobs that report from now on do not wait for windows that are going away.
  Bridge.Close();
  if (Window) Window->BeginExit();
  if (Engine) Engine->RequestStop();
  // Ends a modal dialog or menu that may be open (each passes the quit on), then the
  // loop of Run.
  ::PostQuitMessage(0);
}

int CQuellbyApp::ExitInstance(int code) {
  Bridge.Close();
  Window.reset();
  Engine.reset();
  // Only this program's own: a start that ended at once installed none.
  if (std::exchange(SinkInstalled, false)) MessageBoxes::UninstallSink();
  Instance.Release();
  Com.reset();
  return code;
}
