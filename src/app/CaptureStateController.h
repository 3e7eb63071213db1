#pragma once

#include <optional>
#include <string>

#include "app/CaptureStateView.h"
#include "engine/CaptureOutcome.h"

class CQuellbyMain;

// What the start, the progress and the end of a capture job do to the windows: list,
// popup, tray animation, the notice of new files and the message of a failed job.
//
// UI thread only. The engine calls back on the job's thread; the front end carries each
// call over to its UI thread and lets the job wait for it (Qt: a blocking queued call,
// Windows: SendMessage to a window of the UI thread), never from the UI thread itself.
class CaptureStateController {
 public:
  // Pause between two frames of the tray animation.
  static constexpr int TrayFrameMs = 150;

  // How the popup looks, from the settings read at start-up.
  struct PopupLook {
    int Transparency = 100;  // the low eight bits: 0 invisible .. 255 opaque
    bool OnCenter = true;    // false: in the bottom-right corner of the work area
  };
  static PopupLook PopupSettings();

  CaptureStateController(CQuellbyMain& engine, CaptureStateView& view);

  void OnCaptureState(bool started);
  void OnCaptureProgress(int percent);

  // The last end-of-capture notice: "" before one, and from the start of the next job.
  const std::string& LastNotice() const { return Notice; }
  // The tray icon's tooltip now: what is watched (unless `paused`) and the last capture.
  std::string TrayToolTip(bool paused) const;

 private:
  void Started();
  void Ended();

  CQuellbyMain& Engine;
  CaptureStateView& View;
  std::string Notice;
  std::optional<CaptureOutcome> LastJob;
};
