#include "app/CaptureStateController.h"

#include <optional>
#include <vector>

#include "app/CaptureNotice.h"
#include "config/Settings.h"
#include "engine/CQuellbyMain.h"
#include "platform/Paths.h"

CaptureStateController::PopupLook CaptureStateController::PopupSettings() {
  const Settings settings = CurrentSettings();
  return {settings.NotifyProgressTransparency, settings.NotifyProgressBarOnCenter};
}

CaptureStateController::CaptureStateController(CQuellbyMain& engine, CaptureStateView& view)
    : Engine(engine), View(view) {}

void CaptureStateController::OnCaptureState(bool started) {
  if (started) {
    Started();
  } else {
    Ended();
  }
}

void CaptureStateController::OnCaptureProgress(int percent) {
  View.ShowProgress(percent);
}

void CaptureStateController::Started() {
  // The notice of an earlier capture is no news about this one.
  Notice.clear();
  View.ClearNotice();
  View.EnableList(false);
  View.ShowProgress(0);
  if (CurrentSettings().ShowNotifyProgressBar) View.ShowPopup(true);
  View.StartTrayAnimation(TrayFrameMs);
}

void CaptureStateController::Ended() {
  View.ShowPopup(false);
  View.StopTrayAnimation();
  View.EnableList(true);
  LastJob = Engine.GetLastJob();
  // Every capture on command is answered, one that saved nothing with why.
  Notice = CaptureNoticeFor(*LastJob, Engine.GetSkippedCount());
  if (!Notice.empty()) {
    const std::vector<std::string> saved = Engine.GetSavedFiles();
    View.ShowNotice(Notice, saved.empty() ? std::string() : Platform::ParentFolder(saved.front()));
  }
  if (const std::optional<UiMessage> problem = Engine.GetLastProblem()) {
    View.ShowMessageLater(MessageKind::Error, ComposeMessage(*problem));
  }
}

std::string CaptureStateController::TrayToolTip(bool paused) const {
  return TrayToolTipText(WatchedBrowsers(), paused, LastJob ? &*LastJob : nullptr);
}
