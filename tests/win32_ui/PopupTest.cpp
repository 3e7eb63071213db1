#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "win32/CProgressDlg.h"
#include "win32/resources/ResourceIds.h"

using win32test::SizeOf;

namespace {

RECT WorkArea() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

RECT FrameOf(HWND window) {
  RECT frame{};
  ::GetWindowRect(window, &frame);
  return frame;
}

}  // namespace

// Made hidden as a topmost tool window of 118 x 16 dialog units, the progress bar 1000
// filling it, with the range 0 to 100 and any position held to it.
TEST(Win32Popup, IsAHiddenTopmostToolWindowWithAProgressBar) {
  CProgressDlg popup;
  ASSERT_TRUE(popup.Create(nullptr));
  HWND window = popup.Handle();
  EXPECT_FALSE(::IsWindowVisible(window));
  const LONG_PTR extended = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_TRUE(extended & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(extended & WS_EX_TOPMOST);
  EXPECT_FALSE(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION);

  RECT units{0, 0, 118, 16};
  ::MapDialogRect(window, &units);
  const SIZE size = SizeOf(window);
  EXPECT_EQ(size.cx, units.right);
  EXPECT_EQ(size.cy, units.bottom);
  EXPECT_EQ(SizeOf(popup.Item(IDC_PROGRESS)).cx, units.right);

  PBRANGE range{};
  ::SendMessageW(popup.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);
  for (const auto& [given, shown] : {std::pair{-5, 0}, {0, 0}, {37, 37}, {100, 100}, {150, 100}}) {
    popup.SetPosition(given);
    EXPECT_EQ(popup.Position(), shown) << given;
  }
}

// The whole-window alpha is the setting, held to 0..255, on a layered window.
TEST(Win32Popup, TransparencyIsTheLayeredAlpha) {
  CProgressDlg popup;
  ASSERT_TRUE(popup.Create(nullptr));
  for (const auto& [setting, alpha] : {std::pair{0, 0}, {100, 100}, {255, 255}, {300, 255}}) {
    popup.SetTransparency(setting);
    EXPECT_TRUE(::GetWindowLongPtrW(popup.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE shown = 1;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(popup.Handle(), nullptr, &shown, &flags));
    EXPECT_EQ(shown, alpha) << setting;
    EXPECT_TRUE(flags & LWA_ALPHA);
  }
}

// Centred in the work area where it was made; off centre it sits flush with the work
// area's bottom-right corner each time it is shown or hidden.
TEST(Win32Popup, PlacementFollowsTheCentreSetting) {
  const RECT area = WorkArea();
  CProgressDlg centred;
  ASSERT_TRUE(centred.Create(nullptr));
  centred.Show();
  RECT frame = FrameOf(centred.Handle());
  EXPECT_NEAR((frame.left + frame.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (area.top + area.bottom) / 2, 1);

  CProgressDlg corner;
  ASSERT_TRUE(corner.Create(nullptr));
  corner.SetOnCenter(false);
  corner.Show();
  EXPECT_TRUE(::IsWindowVisible(corner.Handle()));
  frame = FrameOf(corner.Handle());
  EXPECT_EQ(frame.right, area.right);
  EXPECT_EQ(frame.bottom, area.bottom);
  // Moved away, it goes back to the corner when hidden.
  ::SetWindowPos(corner.Handle(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  corner.Hide();
  EXPECT_FALSE(::IsWindowVisible(corner.Handle()));
  frame = FrameOf(corner.Handle());
  EXPECT_EQ(frame.right, area.right);
  EXPECT_EQ(frame.bottom, area.bottom);
}

// Enter and Esc (the dialog's IDOK and IDCANCEL) leave the popup up.
TEST(Win32Popup, EnterAndEscDoNotCloseIt) {
  CProgressDlg popup;
  ASSERT_TRUE(popup.Create(nullptr));
  popup.Show();
  for (const int key : {VK_RETURN, VK_ESCAPE}) {
    MSG press{popup.Item(IDC_PROGRESS), WM_KEYDOWN, static_cast<WPARAM>(key), 0, 0, {}};
    ::IsDialogMessageW(popup.Handle(), &press);
  }
  ::SendMessageW(popup.Handle(), WM_COMMAND, IDOK, 0);
  ::SendMessageW(popup.Handle(), WM_COMMAND, IDCANCEL, 0);
  ::SendMessageW(popup.Handle(), WM_CLOSE, 0, 0);
  win32test::ServePendingMessages();
  EXPECT_TRUE(::IsWindow(popup.Handle()));
  EXPECT_TRUE(::IsWindowVisible(popup.Handle()));
}
