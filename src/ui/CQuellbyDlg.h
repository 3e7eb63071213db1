#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>

#include "engine/CQuellbyMain.h"
#include "ui/CProgressDlg.h"
#include "ui/CSystemTray.h"

class FilterListModel;
class QAction;
class QLabel;
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
    AddButton,
    DeleteButton,
    EditButton,
    UpButton,
    DownButton,
    OptionsButton,
    HelpButton,
    CombIEButton,
    CombMozillaButton,
    ButtonCount
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
  void ShowMainWindow();
  // The save question, then hidden (minimised where there is no tray to come back by).
  void HideMainWindow();
  // First step of Exit: no more window work for capture callbacks, watchers and a
  // running capture asked to stop. The program ends once !IsBusy().
  void BeginExit();

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
  void RefreshTrayMenuTexts();
  void AddShortcuts();
  void ApplyTexts();
  void FillList();
  void UpdateTitle();
  void SavePrompt();
  void SaveList();
  bool RunEditor(FilterRecord& record, const QString& title);
  void ApplyCaptureState(bool started);
  void ShowNotice(const QString& text);
  void UpdateTrayFallback();
  void MarkChanged();

  std::unique_ptr<CQuellbyMain> Quellby;
  std::unique_ptr<CProgressDlg> ProgressPopup;
  std::unique_ptr<CSystemTray> TrayIcon;
  QMenu* TrayPopupMenu = nullptr;
  std::array<QAction*, 7> TrayActions{};
  QToolButton* TrayMenuButton = nullptr;
  QTableView* ListView = nullptr;
  FilterListModel* ListModel = nullptr;
  QLabel* NoticeLine = nullptr;
  std::array<QToolButton*, ButtonCount> Buttons{};
  QString Notice;

  bool FirstShow = true;
  bool Changed = false;
  bool Untitled = false;
  bool ListReady = false;
  std::atomic<bool> Exiting{false};
};
