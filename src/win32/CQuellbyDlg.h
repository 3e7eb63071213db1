#pragma once

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/CaptureCommands.h"
#include "app/CaptureStateController.h"
#include "app/CaptureStateView.h"
#include "app/FilterListController.h"
#include "app/FilterListView.h"
#include "app/TrayMenuController.h"
#include "app/TrayMenuView.h"
#include "win32/CProgressDlg.h"
#include "win32/CSystemTray.h"
#include "win32/Dialog.h"
#include "win32/FilterListCtrl.h"
#include "win32/OwnedHandle.h"
#include "win32/ToolTipControl.h"
#include "win32/resources/ResourceIds.h"

class CQuellbyMain;
class UiThreadBridge;

// The main window: the tool buttons over the filter list, and the owner of the capture
// popup and the tray icon. It draws what its controllers decide and forwards the user's
// commands to them. Made hidden; closing it only hides it; the tray menu's Exit goes to
// the exit handler.
class CQuellbyDlg : public Dialog,
                    private FilterListView,
                    private CaptureStateView,
                    private TrayMenuView {
 public:
  // The tool buttons, left to right; the last three capture a cache format each.
  static constexpr std::array<int, 14> ButtonIds = {
      IDC_NEW,         IDC_OPEN,    IDC_SAVE,         IDC_SAVE_AS,      IDC_ADD,
      IDC_DELETE,      IDC_EDIT,    IDC_UP,           IDC_DOWN,         IDC_OPTIONS,
      IDC_HELP_BUTTON, IDC_COMB_IE, IDC_COMB_MOZILLA, IDC_COMB_CHROMIUM};
  static constexpr UINT TrayIconId = 275;
  // Shows a message box after the capture that asked for it no longer waits.
  static constexpr UINT LaterMessage = WM_APP + 7;

  // `engine` and `bridge` outlive the window; `notify` stands in for the shell's
  // notification call (tests).
  CQuellbyDlg(CQuellbyMain& engine, UiThreadBridge& bridge,
              CSystemTray::NotifyFunction notify = nullptr);
  // Stops a running capture and serves it until it has ended, then removes the tray
  // icon.
  ~CQuellbyDlg() override;

  // The creation step: the window (hidden), the popup, the tray icon, the start-up
  // filter file, the engine's callbacks and its watchers.
  bool Create();
  void ShowMainWindow() override;
  // The save question, then hidden (Cancel keeps the window open).
  void HideMainWindow();
  // The save question before Exit; false when the user cancelled.
  bool SavePrompt() { return ListControl.SavePrompt(); }
  // At exit: no more window work for the engine's callbacks, no more questions.
  void BeginExit();
  void SetExitHandler(std::function<void()> handler) { OnExit = std::move(handler); }
  // Interface texts in the current language (after a language change too).
  void ApplyTexts();
  // Widens the window until every column of the list shows, as far as the screen allows.
  void FitToList();

  FilterListController& ListCommands() { return ListControl; }
  TrayMenuController& TrayCommands() { return TrayControl; }
  const std::string& LastNotice() const { return CaptureControl.LastNotice(); }
  CProgressDlg& Popup() { return ProgressPopup; }
  CSystemTray& Tray() { return *TrayIcon; }
  FilterListCtrl& List() { return FilterList; }
  const ToolTipControl& ToolTips() const { return Tips; }
  // The registered message by which the tray icon reports the mouse.
  UINT TrayCallbackMessage() const { return TrayMessage; }
  // The tray menu as it opens now.
  MenuHandle BuildTrayMenu() const;
  // The list's context menu as it opens now (none while busy).
  MenuHandle BuildListMenu() const;
  // The menu of a capture button offering several browsers (none for other buttons).
  MenuHandle BuildCaptureMenu(int buttonId) const;

 protected:
  bool OnInitDialog() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The window's and the tool buttons' icons at the window's DPI.
  void LoadIcons();
  void Layout();
  void Command(int id);
  bool ListCommand(int id);
  bool TrayCommand(int id);
  bool CaptureCommand(int id);
  INT_PTR Notify(const NMHDR& header);
  void OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void ShowPopupMenu(const MenuHandle& menu, POINT at, UINT flags);
  bool IsToolButton(HWND window) const;
  // The capture tool a capture button runs, -1 for none.
  int ToolOfButton(int buttonId) const;
  void ApplyCaptureTexts();
  void RestorePlacement();
  void KeepPlacement() const;
  HWND DialogOwner() const;
  void ShowLaterMessages();

  // FilterListView
  void ShowRows(const std::vector<FilterRow>& rows) override;
  void ShowRow(int row, const FilterRow& content) override;
  int SelectedRow() const override;
  void SelectRow(int row) override;
  void ShowTitle(const std::string& title) override;
  void ShowTexts() override;
  Answer Ask(const std::string& question) override;
  Answer AskToSave(const std::string& question) override;
  void ShowMessage(MessageKind kind, const std::string& text) override;
  std::optional<std::string> ChooseFilterFile(FileChoice choice,
                                              const std::string& folder) override;
  bool EditFilter(FilterRecord& record, const std::string& title) override;
  void Open(const std::string& target) override;
  // CaptureStateView
  void EnableList(bool enabled) override;
  void ShowPopup(bool shown) override;
  void ShowProgress(int percent) override;
  void StartTrayAnimation(int frameMs) override;
  void StopTrayAnimation() override;
  void ShowNotice(const std::string& text, const std::string& folder) override;
  void ClearNotice() override;
  void ShowMessageLater(MessageKind kind, const std::string& text) override;
  // TrayMenuView
  bool RunOptions() override;
  void WatchingChanged() override;
  void ShowAbout() override;
  void RequestExit() override;

  CQuellbyMain& Engine;
  UiThreadBridge& Bridge;
  FilterListController ListControl;
  CaptureStateController CaptureControl;
  TrayMenuController TrayControl;
  CaptureCommands CaptureTools;
  UINT TrayMessage;
  CProgressDlg ProgressPopup;
  std::unique_ptr<CSystemTray> TrayIcon;
  FilterListCtrl FilterList;
  ToolTipControl Tips;
  IconHandle BigIcon;
  IconHandle SmallIcon;
  std::array<IconHandle, ButtonIds.size()> ButtonIcons;
  SIZE MinimumSize{};
  std::function<void()> OnExit;
  std::deque<std::pair<MessageKind, std::string>> LaterMessages;
  std::atomic<bool> Exiting{false};
};
