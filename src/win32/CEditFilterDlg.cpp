#include "win32/CEditFilterDlg.h"

#include "win32/ShellDialogs.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"

namespace {

// Labels and the texts they show: the column headers of the filter list.
constexpr std::pair<int, UiTextKey> kLabels[] = {
    {IDC_EDIT_CONTENT_TYPE_LABEL, UiTextKey::FilterListContentType},
    {IDC_EDIT_MIN_SIZE_LABEL, UiTextKey::FilterListMinSize},
    {IDC_EDIT_URL_LABEL, UiTextKey::FilterListURL},
    {IDC_EDIT_MIN_WIDTH_LABEL, UiTextKey::FilterListMinWidth},
    {IDC_EDIT_MIN_HEIGHT_LABEL, UiTextKey::FilterListMinHeight},
    {IDC_EDIT_DIRECTORY_LABEL, UiTextKey::FilterListDirectory},
    {IDC_EDIT_FILE_NAME_LABEL, UiTextKey::FilterListFileNameDummy},
};

}  // namespace

CEditFilterDlg::CEditFilterDlg(std::string title)
    : Dialog(IDD_EDIT_FILTER), WindowTitle(std::move(title)) {}

void CEditFilterDlg::SetKinds(std::vector<std::string> names, int selected) {
  Kinds = std::move(names);
  Kind = selected >= 0 && static_cast<size_t>(selected) < Kinds.size() ? selected : 0;
}

void CEditFilterDlg::SetFieldText(Field field, std::string text) {
  Texts[field] = std::move(text);
  if (Handle()) SetItemText(FieldIds[field], Texts[field]);
}

bool CEditFilterDlg::OnInitDialog() {
  SetTitle(WindowTitle);
  for (const auto& [id, key] : kLabels) SetItemText(id, key);
  SetItemText(IDOK, UiTextKey::OK);
  SetItemText(IDCANCEL, UiTextKey::Cancel);
  HWND list = Item(IDC_EDIT_CONTENT_TYPE);
  for (const std::string& name : Kinds) {
    ::SendMessageW(list, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(WideText::FromUtf8(name).c_str()));
  }
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(Kind), 0);
  for (int field = 0; field < FieldCount; ++field) {
    SetItemText(FieldIds[static_cast<size_t>(field)], Texts[static_cast<size_t>(field)]);
  }
  return true;
}

void CEditFilterDlg::ReadControls() {
  for (size_t field = 0; field < FieldCount; ++field) Texts[field] = ItemText(FieldIds[field]);
  const LRESULT selected = ::SendMessageW(Item(IDC_EDIT_CONTENT_TYPE), CB_GETCURSEL, 0, 0);
  Kind = selected == CB_ERR ? 0 : static_cast<int>(selected);
}

void CEditFilterDlg::BrowseFolder() {
  const std::optional<std::string> folder = ShellDialogs::ChooseFolder(
      Handle(), UiTexts::Get(UiTextKey::BrowseDirectory), ItemText(IDC_EDIT_DIRECTORY));
  if (folder) SetItemText(IDC_EDIT_DIRECTORY, *folder);
}

INT_PTR CEditFilterDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      ReadControls();
      if (!Check || Check(*this)) EndModal(IDOK);
      return TRUE;
    case IDCANCEL:
      EndModal(IDCANCEL);
      return TRUE;
    case IDC_EDIT_BROWSE:
      BrowseFolder();
      return TRUE;
    default:
      return FALSE;
  }
}
