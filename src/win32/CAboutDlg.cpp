#include "win32/CAboutDlg.h"

#include "app/ProgramInfo.h"
#include "win32/resources/ResourceIds.h"

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUT) {}

bool CAboutDlg::OnInitDialog() {
  ProductLabel.Attach(Item(IDC_ABOUT_PRODUCT));
  NoticeLabel.Attach(Item(IDC_ABOUT_NOTICE));
  LinkLabel.Attach(Item(IDC_ABOUT_LINK));
  CommentsLabel.Attach(Item(IDC_ABOUT_COMMENTS));

  ProductLabel.SetBold(true);
  LinkLabel.SetLink(true);
  LinkLabel.SetUnderline(true);
  LinkLabel.SetTextColor(RGB(0, 0, 255));
  LinkLabel.SetLinkCursor(::LoadCursorW(nullptr, IDC_HAND));
  // A long address (a path, for now) wraps where it must, as an edit control wraps it.
  LinkLabel.SetFormat(DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);

  SetTitle(UiTexts::Get(UiTextKey::AboutTitle));
  SetItemText(IDC_ABOUT_PRODUCT, ProgramInfo::ProductTitle);
  SetItemText(IDC_ABOUT_NOTICE, UiTextKey::AboutNotice);
  SetItemText(IDC_ABOUT_LINK, ProgramInfo::SitePage());
  SetItemText(IDC_ABOUT_COMMENTS, UiTextKey::Comments);
  SetItemText(IDOK, UiTextKey::OK);
  return true;
}

INT_PTR CAboutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      for (const CLabel* label : {&ProductLabel, &NoticeLabel, &LinkLabel, &CommentsLabel}) {
        if (label->Handle() == item.hwndItem) label->Draw(item);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndModal(LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
