#include "win32/Dialog.h"

#include "win32/WideText.h"

Dialog::~Dialog() {
  if (Hwnd && !Modal) ::DestroyWindow(Hwnd);
}

INT_PTR Dialog::RunModal(HWND owner) {
  Modal = true;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(Template), owner,
                           &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner) {
  Modal = false;
  ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(Template), owner,
                       &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
  return Hwnd != nullptr;
}

void Dialog::SetTitle(std::string_view utf8) {
  ::SetWindowTextW(Hwnd, WideText::FromUtf8(utf8).c_str());
}

std::string Dialog::Title() const {
  return WindowText(Hwnd);
}

void Dialog::SetItemText(int id, std::string_view utf8) {
  ::SetDlgItemTextW(Hwnd, id, WideText::FromUtf8(utf8).c_str());
}

void Dialog::SetItemText(int id, UiTextKey key) {
  SetItemText(id, UiTexts::Get(key));
}

std::string Dialog::ItemText(int id) const {
  return WindowText(Item(id));
}

void Dialog::SetChecked(int id, bool checked) {
  ::CheckDlgButton(Hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::IsChecked(int id) const {
  return ::IsDlgButtonChecked(Hwnd, id) == BST_CHECKED;
}

void Dialog::EnableItem(int id, bool enabled) {
  ::EnableWindow(Item(id), enabled ? TRUE : FALSE);
}

INT_PTR Dialog::HandleMessage(UINT, WPARAM, LPARAM) {
  return FALSE;
}

void Dialog::EndModal(INT_PTR result) {
  ::EndDialog(Hwnd, result);
}

INT_PTR Dialog::SetMessageResult(LRESULT result) {
  ::SetWindowLongPtrW(Hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK Dialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->Hwnd = dialog;
    ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    return self->OnInitDialog() ? TRUE : FALSE;
  }
  if (!self) return FALSE;
  const INT_PTR result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
    self->Hwnd = nullptr;
  }
  return result;
}

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return WideText::ToUtf8(text);
}
