// Shows every window of the Windows program and photographs the screen around it, for
// looking at them as a user would: vorlane-screenshots FOLDER. Run it through
// scripts/screenshots --windows, which starts it on Wine's own desktop (task bar and
// tray included) on a private X server; each picture is a .bmp that the script turns
// into a PNG.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/CaptureNotice.h"
#include "config/BrowserTable.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "engine/FilterRecord.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "win32/CAboutDlg.h"
#include "win32/CEditFilterDlg.h"
#include "win32/COptionsDlg.h"
#include "win32/CQuellbyDlg.h"
#include "win32/ComPtr.h"
#include "win32/UiThreadBridge.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"
#include "win32/screenshots/ScreenCapture.h"

namespace {

// Lets the windows paint (and Wine's desktop catch up) before a picture.
void Settle(DWORD milliseconds) {
  const ULONGLONG until = ::GetTickCount64() + milliseconds;
  MSG message{};
  for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(until - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

struct Shots {
  std::string Folder;
  bool Ok = true;

  // The screen around `window` (its frame included), or the whole screen.
  void Take(HWND window, const char* name) {
    const std::string path = Platform::JoinPath(Folder, std::string(name) + ".bmp");
    const bool saved = ScreenCapture::SaveScreen(window, 12, path);
    RECT frame{};
    if (window) ::GetWindowRect(window, &frame);
    std::printf("%s %s (window %ld,%ld %ldx%ld)\n", saved ? "wrote" : "FAILED", path.c_str(),
                frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    std::fflush(stdout);
    Ok &= saved;
  }
};

// Runs `shoot` once the next modal dialog of this thread is up, from inside its loop.
class WhenDialogOpens {
 public:
  explicit WhenDialogOpens(std::function<void(HWND)> shoot) : Shoot(std::move(shoot)) {
    Current = this;
    Hook = ::SetWindowsHookExW(WH_CBT, &WhenDialogOpens::Watch, nullptr, ::GetCurrentThreadId());
  }
  ~WhenDialogOpens() {
    ::UnhookWindowsHookEx(Hook);
    Current = nullptr;
  }

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && Current && Current->Shoot) {
      ::SetTimer(reinterpret_cast<HWND>(wParam), 1, 0, &WhenDialogOpens::Fire);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static void CALLBACK Fire(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(dialog, timer);
    if (!Current || !Current->Shoot) return;
    auto shoot = std::move(Current->Shoot);
    Current->Shoot = nullptr;
    // The dialog's own loop shows it once it is idle, which it is not while this runs.
    ::ShowWindow(dialog, SW_SHOW);
    Settle(600);
    shoot(dialog);
  }

  static inline WhenDialogOpens* Current = nullptr;
  HHOOK Hook = nullptr;
  std::function<void(HWND)> Shoot;
};

std::vector<FilterRow> SampleRows() {
  const std::vector<std::vector<std::string>> rows = {
      {"", "JPG", "20000", "photo gallery", "400", "300", "C:\\Saves\\Photos", "photo"},
      {"", "MP3", "100000", "", "0", "0", "C:\\Saves\\Music\\%DATE%", "track"},
      {"", "PNG", "5000", "icon logo", "0", "0", "C:\\Saves\\Pictures", "picture"},
      {"", "MP4", "500000", "video", "0", "0", "C:\\Saves\\Videos", "video"},
  };
  std::vector<FilterRow> shown;
  for (size_t i = 0; i < rows.size(); ++i) {
    FilterRow row;
    row.Checked = i != 2;
    std::copy(rows[i].begin(), rows[i].end(), row.Cells.begin());
    shown.push_back(row);
  }
  return shown;
}

void ShootEditor(Shots& shots, HWND owner) {
  FilterRecord record;
  record.ContentType = 1;
  record.MinSize = 20000;
  record.URL = "photo gallery";
  record.MinWidth = 400;
  record.MinHeight = 300;
  record.Directory = "C:\\Saves\\Photos";
  record.FileNameDummy = "photo";
  CEditFilterDlg editor(record, UiTexts::Get(UiTextKey::Edit));
  WhenDialogOpens when([&](HWND dialog) {
    shots.Take(dialog, "editor");
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  editor.RunModal(owner);
}

void ShootOptions(Shots& shots, HWND owner) {
  COptionsDlg options;
  WhenDialogOpens when([&](HWND dialog) {
    options.SetLanguages({"Deutsch", "English", "Русский"}, 1);
    for (const int id : {IDC_OPT_START_WITH_WINDOWS, IDC_OPT_SHOW_PROGRESS, IDC_OPT_ONE_COPY,
                         IDC_OPT_SKIP_DUPLICATES, IDC_OPT_DECODE_CONTENT}) {
      options.SetOptionChecked(id, true);
    }
    for (const BrowserInfo& browser : Browsers()) {
      options.SetOptionChecked(COptionsDlg::BrowserSwitchId(browser.Code),
                               browser.WatchedByDefault);
    }
    options.SetOptionText(IDC_OPT_DEFAULT_FOLDER, "C:\\Users\\Public\\Pictures\\Vorlane");
    options.SetOptionText(IDC_OPT_FILE_NAME, "file");
    const char* names[] = {"options-main", "options-browsers", "options-filters"};
    for (int page = 0; page < COptionsDlg::PageCount; ++page) {
      options.ShowPage(page);
      Settle(300);
      shots.Take(dialog, names[page]);
    }
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  options.RunModal(owner);
}

void ShootAbout(Shots& shots, HWND owner) {
  CAboutDlg about;
  WhenDialogOpens when([&](HWND dialog) {
    shots.Take(dialog, "about");
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  about.RunModal(owner);
}

// The tray menu is open while its own loop runs: the picture is taken from a timer of
// that loop.
void ShootTrayMenu(Shots& shots, CQuellbyDlg& window) {
  static Shots* current = nullptr;
  current = &shots;
  const MenuHandle menu = window.BuildTrayMenu();
  ::SetForegroundWindow(window.Handle());
  ::SetTimer(window.Handle(), 2, 800, [](HWND owner, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(owner, timer);
    current->Take(nullptr, "tray-menu");
    ::EndMenu();
  });
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::TrackPopupMenuEx(menu.Get(), TPM_RIGHTALIGN | TPM_BOTTOMALIGN, area.right - 40, area.bottom,
                     window.Handle(), nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorlane-screenshots FOLDER\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                     ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  ComApartment com;
  Shots shots{WideText::ToUtf8(argv[1])};
  Platform::CreateFolderTree(shots.Folder);

  UiThreadBridge bridge;
  if (!bridge.Create()) return 1;
  CQuellbyMain::StartupOptions startup;
  startup.PersistSettings = false;
  CQuellbyMain engine(startup);
  CQuellbyDlg window(engine, bridge);
  if (!window.Create()) return 1;
  window.List().SetRows(SampleRows());
  window.List().Select(0);
  window.FitToList();
  window.SetTitle("Vorlane - [C:\\Users\\Public\\Vorlane\\Filters\\Default.flt]");
  // The pointer away from the list, whose hint would cover it.
  ::SetCursorPos(0, 0);
  window.ShowMainWindow();
  Settle(1500);
  shots.Take(window.Handle(), "main-window");
  ShootEditor(shots, window.Handle());
  ShootOptions(shots, window.Handle());
  ShootAbout(shots, window.Handle());
  window.HideMainWindow();

  window.Popup().SetPosition(60);
  window.Popup().Show();
  window.Tray().Animate(150, CSystemTray::Forever);
  Settle(800);
  shots.Take(window.Popup().Handle(), "popup");
  shots.Take(nullptr, "popup-desktop");
  window.Popup().Hide();
  window.Tray().StopAnimation();

  ShootTrayMenu(shots, window);
  window.Tray().ShowBalloon(WideText::FromUtf8(NewFilesText(25)), L"Vorlane", NIIF_INFO, 10);
  // Wine's tray shows a balloon two seconds after it is asked for.
  Settle(3500);
  shots.Take(nullptr, "balloon");
  return shots.Ok ? 0 : 1;
}
