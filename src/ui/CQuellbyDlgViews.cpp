// What the main window's controllers ask of it: the list drawn, the dialogs they open,
// the signs of a capture, and the window's own commands.
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTimer>

#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "ui/CAboutDlg.h"
#include "ui/CEditFilterDlg.h"
#include "ui/COptionsDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CQuellbyDlg.h"
#include "ui/CSystemTray.h"
#include "ui/DesktopNotifier.h"
#include "ui/FilterListModel.h"
#include "ui/GuiMessages.h"
#include "ui/ProgramIcons.h"

QWidget* CQuellbyDlg::DialogParent() {
  return isVisible() ? this : nullptr;
}

// ---- The list ------------------------------------------------------------------------

void CQuellbyDlg::ShowRows(const std::vector<FilterRow>& rows) {
  ListModel->Fill(rows);
  FitColumns();
}

void CQuellbyDlg::ShowRow(int row, const FilterRow& content) {
  ListModel->ShowRow(row, content);
  FitColumns();
}

void CQuellbyDlg::ShowTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

QMenu* CQuellbyDlg::BuildListMenu() {
  auto* menu = new QMenu(this);
  for (const FilterListController::MenuEntry& entry : ListControl.ListMenu()) {
    if (entry.SeparatorBefore) menu->addSeparator();
    menu->addAction(QString::fromStdString(entry.Text), this,
                    [this, command = entry.Command] { ListControl.Run(command); });
  }
  return menu;
}

// ---- Dialogs -------------------------------------------------------------------------

Answer CQuellbyDlg::Ask(const std::string& question) {
  return GuiMessages::AskYesNo(QString::fromStdString(question), DialogParent()) ? Answer::Yes
                                                                                 : Answer::No;
}

Answer CQuellbyDlg::AskToSave(const std::string& question) {
  return GuiMessages::AskToSave(QString::fromStdString(question), DialogParent());
}

void CQuellbyDlg::ShowMessage(MessageKind kind, const std::string& text) {
  GuiMessages::ShowBox(kind, QString::fromStdString(text), DialogParent());
}

std::optional<std::string> CQuellbyDlg::ChooseFilterFile(FileChoice choice,
                                                         const std::string& folder) {
  const bool open = choice == FileChoice::Open;
  QFileDialog dialog(DialogParent(), QString(), QString::fromStdString(folder));
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("Filter Files (*.flt)"), QStringLiteral("All Files (*)")});
  dialog.setDefaultSuffix(QStringLiteral("flt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

bool CQuellbyDlg::EditFilter(FilterRecord& record, const std::string& title) {
  CEditFilterDlg editor(record, QString::fromStdString(title), this);
  return editor.exec() == QDialog::Accepted;
}

void CQuellbyDlg::Open(const std::string& target) {
  OpenWithDesktop(target);
}

bool CQuellbyDlg::RunOptions() {
  COptionsDlg options(TrayIcon ? TrayIcon->IsAvailable() : true, DialogParent());
  return options.exec() == QDialog::Accepted;
}

void CQuellbyDlg::ShowAbout() {
  CAboutDlg about(DialogParent());
  about.exec();
}

void CQuellbyDlg::RequestExit() {
  emit ExitRequested();
}

// ---- The signs of a capture ----------------------------------------------------------

void CQuellbyDlg::OnCaptureState(bool started) {
  // Once Exit began the window takes no more work; the job must not wait for it.
  if (Exiting) return;
  GuiMessages::RunOnUiThread(this, [this, started] {
    CaptureControl.OnCaptureState(started);
    if (!started) WatchingChanged();
  });
}

void CQuellbyDlg::WatchingChanged() {
  if (TrayIcon) {
    TrayIcon->SetToolTip(
        QString::fromStdString(CaptureControl.TrayToolTip(TrayControl.IsWatchingPaused())));
  }
}

void CQuellbyDlg::OnCaptureProgress(int percent) {
  if (Exiting) return;
  GuiMessages::RunOnUiThread(this, [this, percent] { CaptureControl.OnCaptureProgress(percent); });
}

void CQuellbyDlg::EnableList(bool enabled) {
  ListView->setEnabled(enabled);
}

void CQuellbyDlg::ShowPopup(bool shown) {
  if (ProgressPopup) ProgressPopup->setVisible(shown);
}

void CQuellbyDlg::ShowProgress(int percent) {
  if (ProgressPopup) ProgressPopup->SetPosition(percent);
}

void CQuellbyDlg::StartTrayAnimation(int frameMs) {
  TrayIcon->Animate(frameMs, CSystemTray::Forever);
}

void CQuellbyDlg::StopTrayAnimation() {
  TrayIcon->StopAnimation();
  TrayIcon->SetIcon(ProgramIcons::Program());
}

void CQuellbyDlg::ShowNotice(const std::string& notice, const std::string& savedIn) {
  const QString text = QString::fromStdString(notice);
  const QString title = QString::fromLatin1(ProgramInfo::Name);
  const bool trayAvailable = TrayIcon->IsAvailable();
  // The desktop's notification service keeps the notice for a user who was away.
  const bool notified = Notifications->Notify(title, text, QString::fromStdString(savedIn));
  if (!notified && TrayIcon->ShowBalloon(text, title, QSystemTrayIcon::Information, 10)) return;
  // Without a notification area the window is the program's face: the count shows there
  // too.
  if (!notified || !trayAvailable) {
    NoticeLine->setText(text);
    NoticeLine->show();
  }
}

void CQuellbyDlg::ShowNoticeElsewhere(const QString& text) {
  if (TrayIcon && TrayIcon->ShowBalloon(text, QString::fromLatin1(ProgramInfo::Name),
                                        QSystemTrayIcon::Information, 10)) {
    return;
  }
  NoticeLine->setText(text);
  NoticeLine->show();
}

void CQuellbyDlg::ClearNotice() {
  NoticeLine->clear();
  NoticeLine->hide();
}

void CQuellbyDlg::ShowMessageLater(MessageKind kind, const std::string& text) {
  QTimer::singleShot(0, this, [this, kind, message = QString::fromStdString(text)] {
    if (!Exiting) GuiMessages::ShowBox(kind, message, DialogParent());
  });
}

// ---- The window's own commands -------------------------------------------------------

void CQuellbyDlg::ShowMainWindow() {
  // A browser installed or cleared meanwhile changes what the capture buttons offer.
  CaptureTools.Refresh();
  RefreshCaptureButtons();
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

void CQuellbyDlg::HideMainWindow() {
  // Cancel keeps the window open, the changes in it.
  if (!ListControl.SavePrompt()) return;
  if (TrayIcon && !TrayIcon->IsAvailable()) {
    // Hidden without a tray icon, the window could not be brought back.
    showMinimized();
    return;
  }
  hide();
}

void CQuellbyDlg::BeginExit() {
  Exiting = true;
  GuiMessages::SetExiting(true);
  hide();
  if (ProgressPopup) ProgressPopup->hide();
  if (TrayIcon) TrayIcon->StopAnimation();
  Quellby->RequestStop();
}
