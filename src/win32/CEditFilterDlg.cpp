#include "win32/CEditFilterDlg.h"

#include "win32/MessageBoxes.h"
#include "win32/ShellDialogs.h"
#include "win32/WideText.h"

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

int ControlOf(FilterFields::Field field) {
  if (field == FilterFields::ContentType) return IDC_EDIT_CONTENT_TYPE;
  return CEditFilterDlg::FieldIds[static_cast<size_t>(field - FilterFields::MinSize)];
}

}  // namespace

CEditFilterDlg::CEditFilterDlg(FilterRecord& record, std::string title)
    : Dialog(IDD_EDIT_FILTER),
      WindowTitle(std::move(title)),
      Kinds(FilterEditorController::KindChoices()),
      Controller(record, *this) {}

bool CEditFilterDlg::OnInitDialog() {
  SetTitle(WindowTitle);
  for (const auto& [id, key] : kLabels) SetItemText(id, key);
  SetItemText(IDOK, UiTextKey::OK);
  SetItemText(IDCANCEL, UiTextKey::Cancel);
  HWND list = Item(IDC_EDIT_CONTENT_TYPE);
  for (const FilterEditorController::KindChoice& kind : Kinds) {
    ::SendMessageW(list, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(WideText::FromUtf8(kind.Text).c_str()));
  }
  Controller.Load();
  return true;
}

FilterFields CEditFilterDlg::Fields() const {
  FilterFields fields;
  const LRESULT selected = ::SendMessageW(Item(IDC_EDIT_CONTENT_TYPE), CB_GETCURSEL, 0, 0);
  if (selected >= 0 && static_cast<size_t>(selected) < Kinds.size()) {
    fields.Kind = Kinds[static_cast<size_t>(selected)].Code;
  }
  fields.MinSizeText = ItemText(IDC_EDIT_MIN_SIZE);
  fields.UrlText = ItemText(IDC_EDIT_URL);
  fields.MinWidthText = ItemText(IDC_EDIT_MIN_WIDTH);
  fields.MinHeightText = ItemText(IDC_EDIT_MIN_HEIGHT);
  fields.FolderText = ItemText(IDC_EDIT_DIRECTORY);
  fields.FileNameText = ItemText(IDC_EDIT_FILE_NAME);
  return fields;
}

void CEditFilterDlg::ShowFields(const FilterFields& fields) {
  WPARAM selected = 0;
  for (size_t i = 0; i < Kinds.size(); ++i) {
    if (Kinds[i].Code == fields.Kind) selected = i;
  }
  ::SendMessageW(Item(IDC_EDIT_CONTENT_TYPE), CB_SETCURSEL, selected, 0);
  SetItemText(IDC_EDIT_MIN_SIZE, fields.MinSizeText);
  SetItemText(IDC_EDIT_URL, fields.UrlText);
  SetItemText(IDC_EDIT_MIN_WIDTH, fields.MinWidthText);
  SetItemText(IDC_EDIT_MIN_HEIGHT, fields.MinHeightText);
  SetItemText(IDC_EDIT_DIRECTORY, fields.FolderText);
  SetItemText(IDC_EDIT_FILE_NAME, fields.FileNameText);
}

void CEditFilterDlg::ShowFolder(const std::string& folder) {
  SetItemText(IDC_EDIT_DIRECTORY, folder);
}

void CEditFilterDlg::Refuse(const std::string& message, FilterFields::Field field,
                            bool selectText) {
  MessageBoxes::Show(Handle(), MessageKind::Warning, message);
  HWND control = Item(ControlOf(field));
  ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  // The dialog selects an edit's text when it gets the focus; without `selectText` the
  // caret goes to the end instead.
  if (!selectText) ::SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(-1), -1);
}

std::optional<std::string> CEditFilterDlg::ChooseFolder(const std::string& title,
                                                        const std::string& start) {
  return ShellDialogs::ChooseFolder(Handle(), title, start);
}

void CEditFilterDlg::Open(const std::string& target) {
  ShellDialogs::Open(target);
}

INT_PTR CEditFilterDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      if (Controller.Accept()) EndModal(IDOK);
      return TRUE;
    case IDCANCEL:
      EndModal(IDCANCEL);
      return TRUE;
    case IDC_EDIT_BROWSE:
      Controller.BrowseFolder();
      return TRUE;
    case IDHELP:
      Controller.Help();
      return TRUE;
    default:
      return FALSE;
  }
}
