#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/CaptureCommands.h"
#include "app/CaptureNotice.h"
#include "app/CaptureStateController.h"
#include "app/CaptureStateView.h"
#include "app/FilterListController.h"
#include "app/FilterListView.h"
#include "app/TrayMenuController.h"
#include "app/TrayMenuView.h"
#include "engine/CQuellbyMain.h"
#include "ui/CProgressDlg.h"
#include "ui/CSystemTray.h"

class DesktopNotifier;
class FilterListModel;
class QAction;
class QLabel;
class QLayout;
class QMenu;
class QTableView;
class QToolButton;

// The main window: the filter list with its tool buttons, the owner of the capture
// engine, the tray icon and the capture popup. It draws what its controllers decide and
// forwards the user's commands to them. Closing it only hides it; the tray menu's Exit
// ends the program.
class CQuellbyDlg : public QWidget,
                    private FilterListView,
                    private CaptureStateView,
                    private TrayMenuView {
  Q_OBJECT

 public:
  enum ButtonId {
    NewButton,
    OpenButton,
    SaveButton,
    SaveAsButton,
    AddButton,
    DeleteButton,
    EditButton,
    UpButton,
    DownButton,
    OptionsButton,
    HelpButton,
    ButtonCount
  };
  using TrayItem = TrayMenuController::Command;

  // Takes the engine (a default one, which reads the settings and loads the language,
  // when none is given).
  explicit CQuellbyDlg(std::unique_ptr<CQuellbyMain> engine = nullptr, QWidget* parent = nullptr);
  // Deletes the popup, removes the tray icon and destroys the engine, after a capture
  // still running has ended.
  ~CQuellbyDlg() override;

  // The creation step: popup, tray icon, start-up filter file, engine callbacks and
  // watchers, then the list's set-up. The window stays hidden.
  void Create();

  // ---- Commands ----------------------------------------------------------------
  FilterListController& ListCommands() { return ListControl; }
  TrayMenuController& TrayCommands() { return TrayControl; }
  void OnNew() { ListControl.New(); }
  void OnOpen() { ListControl.Open(); }
  void OnSave() { ListControl.Save(); }
  void OnSaveAs() { ListControl.SaveAs(); }
  void OnAdd() { ListControl.Add(); }
  void OnEdit() { ListControl.Edit(); }
  void OnDelete() { ListControl.Delete(); }
  void OnUp() { ListControl.Up(); }
  void OnDown() { ListControl.Down(); }
  void SetAllChecks(bool enabled) { ListControl.SetAllChecks(enabled); }
  void OnOptions() { TrayControl.Options(); }
  void OnHelp() { TrayControl.Help(); }
  void OnCapture(int browserCode) {
    CaptureTools.Capture(browserCode);
    RefreshCaptureButtons();
  }
  void ShowMainWindow() override;
  // The save question, then hidden (minimised where there is no tray to come back by).
  void HideMainWindow();
  // First step of Exit: no more window work for capture callbacks, watchers and a
  // running capture asked to stop. The program ends once !IsBusy().
  void BeginExit();
  // False when the user cancelled: nothing may go on.
  bool SavePrompt() { return ListControl.SavePrompt(); }
  std::string SaveForTermination() { return ListControl.SaveForTermination(); }

  // ---- Capture callbacks: called on the capture's thread -------------------------
  void OnCaptureState(bool started);
  void OnCaptureProgress(int percent);

  // ---- State ---------------------------------------------------------------------
  bool IsBusy() const { return Quellby->IsBusy(); }
  bool IsChanged() const { return ListControl.IsChanged(); }
  int SelectedIndex() const;
  void SelectRow(int row) override;
  // The text of the last end-of-capture notice ("" before one).
  QString LastNotice() const { return QString::fromStdString(CaptureControl.LastNotice()); }
  static QString NewFilesText(int count) { return QString::fromStdString(::NewFilesText(count)); }

  CQuellbyMain& Engine() const { return *Quellby; }
  QTableView* List() const { return ListView; }
  FilterListModel* Model() const { return ListModel; }
  CProgressDlg* Popup() const { return ProgressPopup.get(); }
  CSystemTray* Tray() const { return TrayIcon.get(); }
  QToolButton* Button(ButtonId id) const { return Buttons[static_cast<size_t>(id)]; }
  // The tool button that captures the cache of a browser (null when none does).
  QToolButton* CaptureButton(int browserCode) const;
  QAction* TrayAction(TrayItem item) const { return TrayActions[static_cast<size_t>(item)]; }
  QMenu* CaptureNowMenu() const { return CaptureNow; }
  DesktopNotifier* Notifier() const { return Notifications.get(); }
  // Brings the tray menu up to date (texts, states, "Capture now"), as opening it does.
  void RefreshTrayMenu();
  QToolButton* MenuButton() const { return TrayMenuButton; }
  QMenu* TrayMenu() const { return TrayPopupMenu; }
  QLabel* NoticeLabel() const { return NoticeLine; }
  // The list's context menu as it would open now (empty while busy); the caller owns it.
  QMenu* BuildListMenu();

 signals:
  void ExitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  QLayout* BuildToolbar();
  void BuildList();
  void BuildTrayMenu();
  void BuildCaptureButtons(QLayout* toolbar);
  void RefreshCaptureButtons();
  void FillCaptureNow();
  void FitColumns();
  void AddShortcuts();
  void UpdateTrayFallback();
  QWidget* DialogParent();

  // FilterListView
  void ShowRows(const std::vector<FilterRow>& rows) override;
  void ShowRow(int row, const FilterRow& content) override;
  int SelectedRow() const override { return SelectedIndex(); }
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
  // A notice the desktop's notification service did not take: a balloon, else the line.
  void ShowNoticeElsewhere(const QString& text);
  // TrayMenuView
  bool RunOptions() override;
  void WatchingChanged() override;
  void ShowAbout() override;
  void RequestExit() override;

  std::unique_ptr<CQuellbyMain> Quellby;
  FilterListController ListControl;
  CaptureStateController CaptureControl;
  TrayMenuController TrayControl;
  CaptureCommands CaptureTools;
  std::unique_ptr<CProgressDlg> ProgressPopup;
  std::unique_ptr<CSystemTray> TrayIcon;
  QMenu* TrayPopupMenu = nullptr;
  std::array<QAction*, TrayMenuController::CommandCount> TrayActions{};
  QMenu* CaptureNow = nullptr;
  QToolButton* TrayMenuButton = nullptr;
  QTableView* ListView = nullptr;
  FilterListModel* ListModel = nullptr;
  QLabel* NoticeLine = nullptr;
  std::array<QToolButton*, ButtonCount> Buttons{};
  // One per tool of CaptureTools, in its order.
  std::vector<QToolButton*> CaptureButtons;
  std::unique_ptr<DesktopNotifier> Notifications;
  std::atomic<bool> Exiting{false};
};
