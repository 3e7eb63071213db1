#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

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
struct FilterRecord;

// The main window: the filter list with its commands, the owner of the capture
// engine, the tray icon and the capture popup. Closing it only hides it; the tray
// menu's Exit ends the program.
class CQuellbyDlg : public QWidget {
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
  // The tray menu's items below its title strip, top to bottom.
  enum TrayItem {
    TrayFilters,
    TrayOptions,
    TrayCaptureNow,
    TrayOpenSaved,
    TrayPauseWatching,
    TrayVisit,
    TrayDownload,
    TrayHelp,
    TrayAbout,
    TrayExit,
    TrayItemCount
  };

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
  void OnNew();
  void OnOpen();
  void OnSave();
  void OnSaveAs();
  void OnAdd();
  void OnEdit();
  void OnDelete();
  void OnUp();
  void OnDown();
  void OnOpenFolder();
  void SetAllChecks(bool enabled);
  void OnOptions();
  void OnHelp();
  void OnCapture(int browserCode);
  void OnAbout();
  void OnVisitSite();
  void OnDownload();
  // Opens the default save folder (the part before any %DATE% or %TIME%), making it first.
  void OnOpenSavedFiles();
  // Stops every watcher, or starts the watched ones again.
  void SetWatchingPaused(bool paused);
  bool IsWatchingPaused() const { return WatchingPaused; }
  void ShowMainWindow();
  // The save question, then hidden (minimised where there is no tray to come back by).
  void HideMainWindow();
  // First step of Exit: no more window work for capture callbacks, watchers and a
  // running capture asked to stop. The program ends once !IsBusy().
  void BeginExit();
  // With unsaved filter changes: the WarningChanged question (Yes saves, No discards).
  void SavePrompt();
  // At logout or shutdown, without asking: unsaved changes go to the file in use, else
  // to a recovery file beside it (in the data folder for a list without a file). Returns
  // the file written ("" when nothing needed saving or nothing could be written).
  std::string SaveForTermination();

  // ---- Capture callbacks: called on the capture's thread -------------------------
  void OnCaptureState(bool started);
  void OnCaptureProgress(int percent);

  // ---- State ---------------------------------------------------------------------
  bool IsBusy() const;
  bool IsChanged() const { return Changed; }
  bool IsUntitled() const { return Untitled; }
  int SelectedIndex() const;
  void SelectRow(int row);
  // The text of the last end-of-capture notice ("" before one).
  QString LastNotice() const { return Notice; }
  static QString NewFilesText(int count);

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
  // Brings the tray menu up to date (texts, "Capture now"), as opening it does.
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
  void BuildTrayMenu();
  void BuildCaptureButtons(QLayout* toolbar);
  void RefreshCaptureButtons();
  void FillCaptureNow();
  void FitColumns();
  void AddShortcuts();
  void ApplyTexts();
  void FillList();
  void UpdateTitle();
  // Saves into the file in use (asks for one when there is none); `askFirst` asks for a
  // file even when there is one (Save As). Returns whether the list was saved.
  bool SaveList(bool askFirst = false);
  bool RunEditor(FilterRecord& record, const QString& title);
  void ApplyCaptureState(bool started);
  void ShowNotice(const QString& text, const QString& folder);
  void UpdateTrayFallback();
  void MarkChanged();

  std::unique_ptr<CQuellbyMain> Quellby;
  std::unique_ptr<CProgressDlg> ProgressPopup;
  std::unique_ptr<CSystemTray> TrayIcon;
  QMenu* TrayPopupMenu = nullptr;
  std::array<QAction*, TrayItemCount> TrayActions{};
  QMenu* CaptureNow = nullptr;
  QToolButton* TrayMenuButton = nullptr;
  QTableView* ListView = nullptr;
  FilterListModel* ListModel = nullptr;
  QLabel* NoticeLine = nullptr;
  std::array<QToolButton*, ButtonCount> Buttons{};
  // One per cache format with a capture command; a format of several browsers has a
  // menu of them and captures the one last chosen.
  struct CaptureTool {
    QToolButton* Button = nullptr;
    std::vector<int> Codes;
    int Current = 0;
  };
  std::vector<CaptureTool> CaptureTools;
  std::unique_ptr<DesktopNotifier> Notifications;
  QString Notice;
  bool WatchingPaused = false;

  bool FirstShow = true;
  bool Changed = false;
  bool Untitled = false;
  bool ListReady = false;
  std::atomic<bool> Exiting{false};
};
