#pragma once

#include <string>

#include "engine/MessageSink.h"

// The signs of a capture that a front end shows: the filter list greyed out, the popup
// with its progress bar, the tray icon's animation, and what the user is told at the
// end. CaptureStateController calls it on the UI thread only.
class CaptureStateView {
 public:
  virtual ~CaptureStateView() = default;

  virtual void EnableList(bool enabled) = 0;
  virtual void ShowPopup(bool shown) = 0;
  // The popup's progress bar, 0..100, also while the popup is hidden.
  virtual void ShowProgress(int percent) = 0;
  // The tray icon steps through its capture frames every `frameMs` until stopped.
  virtual void StartTrayAnimation(int frameMs) = 0;
  // Ends the animation and shows the program's icon again.
  virtual void StopTrayAnimation() = 0;
  // The end-of-capture notice, shown as the desktop allows (a notification, a balloon
  // on the tray icon, a line in the window); `folder` holds the saved files ("" when
  // unknown) and may be offered to open.
  virtual void ShowNotice(const std::string& text, const std::string& folder) = 0;
  // Takes an earlier notice away wherever the window shows it.
  virtual void ClearNotice() = 0;
  // A message shown once the capture's thread no longer waits for the current call: a
  // message box must not hold up the job.
  virtual void ShowMessageLater(MessageKind kind, const std::string& text) = 0;
};
