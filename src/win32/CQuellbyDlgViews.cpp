// What the main window's controllers ask of it: the list drawn, the dialogs they open,
// and the signs of a capture.
#include "app/ProgramInfo.h"
#include "win32/CAboutDlg.h"
#include "win32/CEditFilterDlg.h"
#include "win32/COptionsDlg.h"
#include "win32/CQuellbyDlg.h"
#include "win32/MessageBoxes.h"
#include "win32/ShellDialogs.h"
#include "win32/WideText.h"

namespace {

// How long a capture's balloon stays, in seconds (the shell may shorten it).
constexpr unsigned kBalloonSeconds = 10;

}  // namespace

// ---- The list ------------------------------------------------------------------------

void CQuellbyDlg::ShowRows(const std::vector<FilterRow>& rows) {
  FilterList.SetRows(rows);
}

void CQuellbyDlg::ShowRow(int row, const FilterRow& content) {
  FilterList.SetRow(row, content);
}

int CQuellbyDlg::SelectedRow() const {
  return FilterList.SelectedIndex();
}

void CQuellbyDlg::SelectRow(int row) {
  FilterList.Select(row);
}

void CQuellbyDlg::ShowTitle(const std::string& title) {
  SetTitle(title);
}

void CQuellbyDlg::ShowTexts() {
  // The rows too: the content type column is in the language, and a sign may depend on
  // an option that just changed.
  ListControl.Refresh();
  ApplyTexts();
}

// ---- Dialogs -------------------------------------------------------------------------

Answer CQuellbyDlg::Ask(const std::string& question) {
  return MessageBoxes::AskYesNo(DialogOwner(), question) ? Answer::Yes : Answer::No;
}

Answer CQuellbyDlg::AskToSave(const std::string& question) {
  return MessageBoxes::AskToSave(DialogOwner(), question);
}

void CQuellbyDlg::ShowMessage(MessageKind kind, const std::string& text) {
  MessageBoxes::Show(DialogOwner(), kind, text);
}

std::optional<std::string> CQuellbyDlg::ChooseFilterFile(FileChoice choice,
                                                         const std::string& folder) {
  return choice == FileChoice::Open ? ShellDialogs::ChooseFilterFileToOpen(DialogOwner(), folder)
                                    : ShellDialogs::ChooseFilterFileToSave(DialogOwner(), folder);
}

bool CQuellbyDlg::EditFilter(FilterRecord& record, const std::string& title) {
  CEditFilterDlg editor(record, title);
  return editor.RunModal(DialogOwner()) == IDOK;
}

void CQuellbyDlg::Open(const std::string& target) {
  ShellDialogs::Open(target);
}

bool CQuellbyDlg::RunOptions() {
  COptionsDlg options;
  return options.RunModal(DialogOwner()) == IDOK;
}

void CQuellbyDlg::ShowAbout() {
  CAboutDlg about;
  about.RunModal(DialogOwner());
}

void CQuellbyDlg::RequestExit() {
  if (OnExit) OnExit();
}

// ---- The signs of a capture ----------------------------------------------------------

void CQuellbyDlg::EnableList(bool enabled) {
  ::EnableWindow(FilterList.Handle(), enabled ? TRUE : FALSE);
}

void CQuellbyDlg::ShowPopup(bool shown) {
  if (shown) {
    ProgressPopup.Show();
  } else {
    ProgressPopup.Hide();
  }
}

void CQuellbyDlg::ShowProgress(int percent) {
  ProgressPopup.SetPosition(percent);
}

void CQuellbyDlg::StartTrayAnimation(int frameMs) {
  TrayIcon->Animate(static_cast<UINT>(frameMs), CSystemTray::Forever);
}

void CQuellbyDlg::StopTrayAnimation() {
  // The icon from before the animation comes back with its end.
  TrayIcon->StopAnimation();
}

void CQuellbyDlg::ShowNotice(const std::string& text, const std::string&) {
  TrayIcon->ShowBalloon(WideText::FromUtf8(text), WideText::FromUtf8(ProgramInfo::Name),
                        NIIF_USER | NIIF_LARGE_ICON, kBalloonSeconds);
}

void CQuellbyDlg::WatchingChanged() {
  if (TrayIcon) {
    TrayIcon->SetToolTip(
        WideText::FromUtf8(CaptureControl.TrayToolTip(TrayControl.IsWatchingPaused())));
  }
}

void CQuellbyDlg::ClearNotice() {
  // A balloon goes by itself; a new one replaces it.
}

void CQuellbyDlg::ShowMessageLater(MessageKind kind, const std::string& text) {
  LaterMessages.emplace_back(kind, text);
  ::PostMessageW(Handle(), LaterMessage, 0, 0);
}

void CQuellbyDlg::ShowLaterMessages() {
  while (!LaterMessages.empty() && !Exiting) {
    auto [kind, text] = std::move(LaterMessages.front());
    LaterMessages.pop_front();
    MessageBoxes::Show(DialogOwner(), kind, text);
  }
}
