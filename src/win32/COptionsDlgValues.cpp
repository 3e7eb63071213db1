// The options dialog's side of its controller: the values read from and written to its
// controls.
#include "win32/COptionsDlg.h"
#include "win32/MessageBoxes.h"
#include "win32/ShellDialogs.h"
#include "win32/resources/ResourceIds.h"

namespace {

// The check boxes of the values that are not a browser's.
struct OptionSwitch {
  int Id;
  bool OptionsValues::*Value;
};
constexpr OptionSwitch kSwitches[] = {
    {IDC_OPT_START_WITH_WINDOWS, &OptionsValues::StartWithLogin},
    {IDC_OPT_SHOW_PROGRESS, &OptionsValues::ShowProgress},
    {IDC_OPT_ONE_COPY, &OptionsValues::OneCopy},
    {IDC_OPT_SKIP_DUPLICATES, &OptionsValues::SkipDuplicates},
    {IDC_OPT_DECODE_CONTENT, &OptionsValues::DecodeContent},
    {IDC_OPT_KEEP_SERVER_TIME, &OptionsValues::KeepServerTime},
    {IDC_OPT_CAPTURE_WHILE_RUNNING, &OptionsValues::CaptureWhileRunning},
};

}  // namespace

OptionsValues COptionsDlg::Values() const {
  OptionsValues values;
  for (const OptionSwitch& option : kSwitches) values.*option.Value = IsOptionChecked(option.Id);
  for (const BrowserInfo& browser : Browsers()) {
    const auto code = static_cast<size_t>(browser.Code);
    values.Watch[code] = IsOptionChecked(BrowserSwitchId(browser.Code));
    if (const int edit = FolderEditId(browser.Code)) values.CacheFolders[code] = OptionText(edit);
  }
  values.DefaultFolder = OptionText(IDC_OPT_DEFAULT_FOLDER);
  values.DefaultFileName = OptionText(IDC_OPT_FILE_NAME);
  values.Language = SelectedLanguage();
  return values;
}

void COptionsDlg::ShowValues(const OptionsValues& values) {
  for (const OptionSwitch& option : kSwitches) SetOptionChecked(option.Id, values.*option.Value);
  for (const BrowserInfo& browser : Browsers()) {
    const auto code = static_cast<size_t>(browser.Code);
    SetOptionChecked(BrowserSwitchId(browser.Code), values.Watch[code]);
    if (const int edit = FolderEditId(browser.Code)) SetOptionText(edit, values.CacheFolders[code]);
  }
  SetOptionText(IDC_OPT_DEFAULT_FOLDER, values.DefaultFolder);
  SetOptionText(IDC_OPT_FILE_NAME, values.DefaultFileName);
  ::SendMessageW(Control(IDC_OPT_LANGUAGE), CB_SETCURSEL, static_cast<WPARAM>(values.Language), 0);
}

void COptionsDlg::ShowLanguages(const std::vector<std::string>& names) {
  SetLanguages(names, -1);
}

void COptionsDlg::ShowFolder(int field, const std::string& text) {
  if (const int edit = FolderEditId(field)) SetOptionText(edit, text);
}

void COptionsDlg::FocusFolder(int field) {
  HWND edit = Control(FolderEditId(field));
  if (!edit) return;
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
}

std::optional<std::string> COptionsDlg::ChooseFolder(const std::string& title,
                                                     const std::string& start) {
  return ShellDialogs::ChooseFolder(Handle(), title, start);
}

void COptionsDlg::ShowMessage(MessageKind kind, const std::string& text) {
  MessageBoxes::Show(Handle(), kind, text);
}

void COptionsDlg::Open(const std::string& target) {
  ShellDialogs::Open(target);
}
