#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win32/OwnedHandle.h"
#include "win32/Window.h"

// The program's notification-area icon: its picture, the capture animation and the
// balloon tips, and putting it back when the shell's task bar is made again. A hidden
// window of its own receives the animation timer and the shell's broadcasts; the
// icon's mouse messages go to the parent window.
class CSystemTray : public Window {
 public:
  // The shell's notification call; tests put a recorder in its place.
  using NotifyFunction = std::function<bool(DWORD action, const NOTIFYICONDATAW& data)>;

  static constexpr UINT_PTR AnimationTimerId = 4567;
  static constexpr size_t MaxTooltipLength = 127;
  static constexpr size_t MaxBalloonTextLength = 255;
  static constexpr size_t MaxBalloonTitleLength = 63;
  // A duration that never runs out.
  static constexpr unsigned Forever = ~0u;

  explicit CSystemTray(NotifyFunction notify = nullptr);
  // Removes the icon from the notification area.
  ~CSystemTray() override;

  // Adds the icon (unless hidden) with its tooltip (cut to 127 characters) and a copy
  // of `icon`; the icon's mouse messages reach `parent` as `callbackMessage`.
  bool Create(HWND parent, UINT callbackMessage, const std::wstring& tooltip, HICON icon,
              UINT iconId, bool hidden);
  // Shows a copy of `icon` from now on (also after the animation).
  bool SetIcon(HICON icon);
  // A balloon; with NIIF_USER in `iconFlags` it carries the icon's own picture.
  bool ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD iconFlags,
                   unsigned seconds);
  // Replaces the tooltip (cut to 127 characters).
  bool SetToolTip(const std::wstring& tooltip);
  // The animation frames, in order; false (and no frames) for an empty list.
  bool SetIconList(std::vector<IconHandle> frames);
  // Steps through the frames every `delayMs` until stopped or `durationSeconds` ran out
  // (0 and Forever: until stopped). False without frames.
  bool Animate(UINT delayMs, unsigned durationSeconds);
  // Ends the animation and shows the icon from before it; false when none ran.
  bool StopAnimation();
  bool StepAnimation();
  bool RemoveIcon();
  // Puts the icon back into the notification area if it belongs there.
  void ReAddIcon();

  bool IsShown() const { return !Hidden; }
  bool IsAnimating() const { return Timer != 0; }
  size_t FrameIndex() const { return Frame; }
  size_t FrameCount() const { return Frames.size(); }
  HICON ShownIcon() const { return Data.hIcon; }
  std::wstring ToolTip() const { return Data.szTip; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool Notify(DWORD action);
  bool ShowIcon(HICON icon);
  void OnTimer();

  NotifyFunction NotifyShell;
  UINT TaskbarCreated;
  NOTIFYICONDATAW Data{};
  // Visible by intention: the icon belongs in the notification area.
  bool Wanted = false;
  // Not in the notification area now (never added, refused, or removed).
  bool Hidden = true;
  IconHandle Icon;
  std::vector<IconHandle> Frames;
  size_t Frame = 0;
  UINT_PTR Timer = 0;
  uint64_t StartTick = 0;
  unsigned Duration = 0;
  bool AnimationSavedIcon = false;
};
