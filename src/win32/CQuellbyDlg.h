#pragma once

#include <array>
#include <functional>
#include <memory>

#include "win32/CProgressDlg.h"
#include "win32/CSystemTray.h"
#include "win32/Dialog.h"
#include "win32/FilterListView.h"
#include "win32/OwnedHandle.h"
#include "win32/ToolTipControl.h"
#include "win32/resources/ResourceIds.h"

// The main window: the tool buttons over the filter list, and the owner of the capture
// popup and the tray icon. Made hidden; closing it only hides it. The commands that are
// not the window's own go to the command handler.
class CQuellbyDlg : public Dialog {
 public:
  // The tool buttons, left to right.
  static constexpr std::array<int, 14> ButtonIds = {
      IDC_NEW,         IDC_OPEN,    IDC_SAVE,         IDC_SAVE_AS,      IDC_ADD,
      IDC_DELETE,      IDC_EDIT,    IDC_UP,           IDC_DOWN,         IDC_OPTIONS,
      IDC_HELP_BUTTON, IDC_COMB_IE, IDC_COMB_MOZILLA, IDC_COMB_CHROMIUM};
  static constexpr UINT TrayIconId = 275;
  using CommandHandler = std::function<void(int command)>;

  // `notify` stands in for the shell's notification call (tests).
  explicit CQuellbyDlg(CSystemTray::NotifyFunction notify = nullptr);
  ~CQuellbyDlg() override;

  // The creation step: the window (hidden), the popup and the tray icon.
  bool Create();
  void ShowMainWindow();
  void HideMainWindow();
  void SetCommandHandler(CommandHandler handler) { OnCommand = std::move(handler); }
  void SetExitHandler(std::function<void()> handler) { OnExit = std::move(handler); }
  // Interface texts in the current language (after a language change too).
  void ApplyTexts();
  // Widens the window until every column of the list shows, as far as the screen allows.
  void FitToList();

  CProgressDlg& Popup() { return ProgressPopup; }
  CSystemTray& Tray() { return *TrayIcon; }
  FilterListView& List() { return FilterList; }
  const ToolTipControl& ToolTips() const { return Tips; }
  // The registered message by which the tray icon reports the mouse.
  UINT TrayCallbackMessage() const { return TrayMessage; }
  // The tray menu as it opens now.
  MenuHandle BuildTrayMenu() const;

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The window's and the tool buttons' icons at the window's DPI.
  void LoadIcons();
  void Layout();
  void Command(int id);
  void OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void ShowTrayMenu(POINT at);
  bool IsToolButton(HWND window) const;

  UINT TrayMessage;
  CProgressDlg ProgressPopup;
  std::unique_ptr<CSystemTray> TrayIcon;
  FilterListView FilterList;
  ToolTipControl Tips;
  IconHandle BigIcon;
  IconHandle SmallIcon;
  std::array<IconHandle, ButtonIds.size()> ButtonIcons;
  SIZE MinimumSize{};
  CommandHandler OnCommand;
  std::function<void()> OnExit;
};
