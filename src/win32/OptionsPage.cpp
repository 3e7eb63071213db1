#include "win32/OptionsPage.h"

bool OptionsPage::OnInitDialog() {
  // The tab's own background behind the page, as the visual style draws it.
  ::EnableThemeDialogTexture(Handle(), ETDT_ENABLETAB);
  return false;
}

INT_PTR OptionsPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_NOTIFY) {
    return static_cast<INT_PTR>(::SendMessageW(::GetParent(Handle()), message, wParam, lParam));
  }
  return FALSE;
}
