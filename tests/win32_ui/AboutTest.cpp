#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "win32/CAboutDlg.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"

using win32test::ModalScript;
using win32test::TextOf;

namespace {

LRESULT HitTest(HWND label, POINT clientPoint) {
  ::ClientToScreen(label, &clientPoint);
  return ::SendMessageW(label, WM_NCHITTEST, 0, MAKELPARAM(clientPoint.x, clientPoint.y));
}

}  // namespace

// The texts, the bold product line and the link: underlined, clickable only on its text,
// with the hand there, and a click hands the address to the shell; the other labels
// take no clicks. OK closes the box.
TEST(Win32AboutBox, ShowsTheProgramAndOpensOnlyTheLink) {
  UiTexts::Set(UiTextKey::Comments, "Deutsche Übersetzung");
  CAboutDlg about;
  std::vector<std::wstring> opened;
  std::string title, product, link, comments;
  ModalScript script({[&](HWND dialog) {
    title = TextOf(dialog);
    product = TextOf(::GetDlgItem(dialog, IDC_ABOUT_PRODUCT));
    link = TextOf(::GetDlgItem(dialog, IDC_ABOUT_LINK));
    comments = TextOf(::GetDlgItem(dialog, IDC_ABOUT_COMMENTS));
    EXPECT_TRUE(about.Product().IsBold());
    EXPECT_FALSE(about.Comments().IsBold());
    EXPECT_TRUE(about.Link().IsUnderlined());
    EXPECT_TRUE(::GetWindowLongPtrW(about.Link().Handle(), GWL_STYLE) & SS_NOTIFY);
    EXPECT_FALSE(::GetWindowLongPtrW(about.Product().Handle(), GWL_STYLE) & SS_NOTIFY);

    for (CLabel* label : {&about.Product(), &about.Link(), &about.Comments()}) {
      label->SetOpener([&opened](const std::wstring& target) { opened.push_back(target); });
      ::SendMessageW(label->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    }

    const RECT text = about.Link().TextRect();
    const POINT middle{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
    EXPECT_EQ(HitTest(about.Link().Handle(), middle), HTCLIENT);
    EXPECT_EQ(HitTest(about.Link().Handle(), POINT{1, middle.y}), HTTRANSPARENT);
    EXPECT_EQ(HitTest(about.Product().Handle(), middle), HTTRANSPARENT);
    EXPECT_EQ(::SendMessageW(about.Link().Handle(), WM_SETCURSOR,
                             reinterpret_cast<WPARAM>(about.Link().Handle()),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  }});
  EXPECT_EQ(about.RunModal(nullptr), IDOK);
  EXPECT_EQ(script.Pending(), 0u);
  UiTexts::Reset();

  EXPECT_EQ(title, "About");
  EXPECT_EQ(product, std::string("Vorlane v ") + VORLANE_VERSION);
  EXPECT_EQ(link, ProgramInfo::SitePage());
  EXPECT_EQ(comments, "Deutsche Übersetzung");
  // Only the link's click reached the shell, with the address it shows.
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], WideText::FromUtf8(link));
}

// With the language file's Comments empty the last label is blank.
TEST(Win32AboutBox, EmptyCommentsLeaveTheLabelBlank) {
  CAboutDlg about;
  std::string comments = "unset";
  ModalScript script({[&](HWND dialog) {
    comments = TextOf(::GetDlgItem(dialog, IDC_ABOUT_COMMENTS));
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }});
  EXPECT_EQ(about.RunModal(nullptr), IDCANCEL);
  EXPECT_EQ(comments, "");
}
