#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "win32/CSystemTray.h"
#include "win32/ProgramIcons.h"
#include "win32/resources/ResourceIds.h"

using win32test::NotifyRecorder;
using win32test::PumpUntil;

namespace {

constexpr UINT kCallback = WM_APP + 7;
constexpr UINT kId = 275;
constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;

std::vector<IconHandle> Frames() {
  std::vector<IconHandle> frames;
  for (int id = IDI_FRAME_FIRST; id <= IDI_FRAME_LAST; ++id)
    frames.push_back(ProgramIcons::Load(id, 16));
  return frames;
}

void Broadcast(const CSystemTray& tray, UINT message, WPARAM wParam = 0) {
  ::SendMessageW(tray.Handle(), message, wParam, 0);
}

}  // namespace

// The add: the callback to the parent, the icon identifier, the tooltip cut to 127
// characters, version 4; a hidden icon is not added.
TEST(Win32Tray, CreateAddsTheIconWithVersion4) {
  NotifyRecorder shell;
  CSystemTray tray(shell.Function());
  const IconHandle icon = ProgramIcons::Load(IDI_PROGRAM, 16);
  ASSERT_TRUE(tray.Create(nullptr, kCallback, std::wstring(200, L'v'), icon.Get(), kId, false));
  ASSERT_EQ(shell.Calls.size(), 2u);
  const NOTIFYICONDATAW& added = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Action, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(added.uFlags, kAddFlags);
  EXPECT_EQ(added.hWnd, tray.Handle());
  EXPECT_EQ(added.uID, kId);
  EXPECT_EQ(added.uCallbackMessage, kCallback);
  EXPECT_EQ(std::wstring(added.szTip), std::wstring(127, L'v'));
  EXPECT_NE(added.hIcon, nullptr);
  EXPECT_EQ(shell.Calls[1].Action, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(shell.Calls[1].Data.uVersion, static_cast<UINT>(NOTIFYICON_VERSION_4));
  EXPECT_TRUE(tray.IsShown());

  NotifyRecorder quiet;
  CSystemTray hidden(quiet.Function());
  EXPECT_TRUE(hidden.Create(nullptr, kCallback, L"Vorlane", icon.Get(), kId, true));
  EXPECT_TRUE(quiet.Calls.empty());
  EXPECT_FALSE(hidden.IsShown());
}

// A balloon carries its text (up to 255), title (up to 63), icon and time, once: the
// next change of the icon does not bring it again. Without the icon there is none.
TEST(Win32Tray, BalloonIsShownOnce) {
  NotifyRecorder shell;
  CSystemTray tray(shell.Function());
  const IconHandle icon = ProgramIcons::Load(IDI_PROGRAM, 16);
  ASSERT_TRUE(tray.Create(nullptr, kCallback, L"Vorlane", icon.Get(), kId, false));
  shell.Calls.clear();
  ASSERT_TRUE(tray.ShowBalloon(std::wstring(300, L'b'), std::wstring(80, L't'), NIIF_INFO, 10));
  ASSERT_EQ(shell.Calls.size(), 1u);
  const NOTIFYICONDATAW& balloon = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Action, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(std::wstring(balloon.szInfo), std::wstring(255, L'b'));
  EXPECT_EQ(std::wstring(balloon.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(balloon.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(balloon.uTimeout, 10000u);

  ASSERT_TRUE(tray.SetIcon(icon.Get()));
  EXPECT_FALSE(shell.Calls.back().Data.uFlags & NIF_INFO);
  EXPECT_EQ(std::wstring(shell.Calls.back().Data.szInfo), L"");

  ASSERT_TRUE(tray.RemoveIcon());
  EXPECT_EQ(shell.Calls.back().Action, static_cast<DWORD>(NIM_DELETE));
  const size_t calls = shell.Calls.size();
  EXPECT_FALSE(
      tray.ShowBalloon(L"1 new file has been captured and saved", L"Vorlane", NIIF_INFO, 10));
  EXPECT_EQ(shell.Calls.size(), calls);
}

// The notice's balloon carries the program's own picture, and the tooltip changes in
// place (cut to what the shell takes).
TEST(Win32Tray, BalloonWithTheProgramsIconAndAToolTipThatChanges) {
  NotifyRecorder shell;
  CSystemTray tray(shell.Function());
  const IconHandle icon = ProgramIcons::Load(IDI_PROGRAM, 16);
  ASSERT_TRUE(tray.Create(nullptr, kCallback, L"Vorlane", icon.Get(), kId, false));
  shell.Calls.clear();
  ASSERT_TRUE(tray.ShowBalloon(L"Chromium: 1 new file has been captured and saved", L"Vorlane",
                               NIIF_USER | NIIF_LARGE_ICON, 10));
  EXPECT_NE(shell.Calls.back().Data.hBalloonIcon, nullptr);
  ASSERT_TRUE(
      tray.SetToolTip(L"Vorlane - watching Firefox\nLast capture 14:32" + std::wstring(200, L'x')));
  EXPECT_EQ(shell.Calls.back().Action, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_TRUE(shell.Calls.back().Data.uFlags & NIF_TIP);
  EXPECT_EQ(tray.ToolTip().size(), CSystemTray::MaxTooltipLength);
  EXPECT_EQ(tray.ToolTip().rfind(L"Vorlane - watching Firefox\n", 0), 0u);
}

// A refused add leaves the icon out: changes stay here until the shell's task bar is
// made again, when the icon comes back with the add's flags and its current picture.
// A change of the work area keeps an icon that the shell still holds.
TEST(Win32Tray, TheIconComesBackWhenTheTaskBarIsMadeAgain) {
  NotifyRecorder shell;
  shell.Accept = [](DWORD) { return false; };
  CSystemTray tray(shell.Function());
  const IconHandle icon = ProgramIcons::Load(IDI_PROGRAM, 16);
  EXPECT_FALSE(tray.Create(nullptr, kCallback, L"Vorlane", icon.Get(), kId, false));
  EXPECT_FALSE(tray.IsShown());
  shell.Calls.clear();
  const IconHandle frame = ProgramIcons::Load(IDI_FRAME_FIRST, 16);
  EXPECT_TRUE(tray.SetIcon(frame.Get()));
  EXPECT_TRUE(shell.Calls.empty());

  shell.Accept = [](DWORD) { return true; };
  Broadcast(tray, ::RegisterWindowMessageW(L"TaskbarCreated"));
  ASSERT_FALSE(shell.Calls.empty());
  EXPECT_EQ(shell.Calls[0].Action, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.Calls[0].Data.uFlags, kAddFlags);
  EXPECT_EQ(shell.Calls[0].Data.hIcon, tray.ShownIcon());
  EXPECT_EQ(std::wstring(shell.Calls[0].Data.szInfo), L"");
  EXPECT_TRUE(tray.IsShown());

  // The shell still has it: the add is refused, the change of picture taken.
  shell.Calls.clear();
  shell.Accept = [](DWORD action) { return action != NIM_ADD; };
  Broadcast(tray, WM_SETTINGCHANGE, SPI_SETWORKAREA);
  ASSERT_EQ(shell.Calls.size(), 2u);
  EXPECT_EQ(shell.Calls[1].Action, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_TRUE(tray.IsShown());

  // Other setting changes and a removed icon leave the shell alone.
  shell.Calls.clear();
  Broadcast(tray, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER);
  tray.RemoveIcon();
  Broadcast(tray, ::RegisterWindowMessageW(L"TaskbarCreated"));
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].Action, static_cast<DWORD>(NIM_DELETE));
}

// The animation steps through the frames from the timer and ends with the picture from
// before it; without frames there is none; a duration ends it by itself.
TEST(Win32Tray, AnimationStepsThroughTheFramesAndRestoresTheIcon) {
  NotifyRecorder shell;
  CSystemTray tray(shell.Function());
  const IconHandle icon = ProgramIcons::Load(IDI_PROGRAM, 16);
  ASSERT_TRUE(tray.Create(nullptr, kCallback, L"Vorlane", icon.Get(), kId, false));
  const HICON picture = tray.ShownIcon();
  EXPECT_FALSE(tray.Animate(10, CSystemTray::Forever));
  EXPECT_FALSE(tray.StopAnimation());

  ASSERT_TRUE(tray.SetIconList(Frames()));
  EXPECT_EQ(tray.FrameCount(), 5u);
  ASSERT_TRUE(tray.Animate(10, CSystemTray::Forever));
  EXPECT_TRUE(tray.IsAnimating());
  // Every frame in turn, and round again to the first.
  ASSERT_TRUE(PumpUntil([&] { return tray.FrameIndex() == 0 && shell.Calls.size() >= 7; }));
  EXPECT_NE(tray.ShownIcon(), picture);
  EXPECT_EQ(shell.Calls.back().Data.uFlags, static_cast<UINT>(NIF_ICON));

  EXPECT_TRUE(tray.StopAnimation());
  EXPECT_FALSE(tray.IsAnimating());
  EXPECT_EQ(tray.ShownIcon(), picture);
  EXPECT_EQ(shell.Calls.back().Data.hIcon, picture);
  EXPECT_FALSE(tray.StopAnimation());

  ASSERT_TRUE(tray.Animate(10, 1));
  EXPECT_TRUE(PumpUntil([&] { return !tray.IsAnimating(); }, 5000));
  EXPECT_EQ(tray.ShownIcon(), picture);
}
