#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/CaptureNotice.h"
#include "app/CaptureStateController.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "support/GatedSource.h"

using Strings = std::vector<std::string>;

namespace {

// Records every sign of a capture it is told to show, in order.
class RecordingCaptureView : public CaptureStateView {
 public:
  Strings Calls;

  void EnableList(bool enabled) override { Calls.push_back(enabled ? "list on" : "list off"); }
  void ShowPopup(bool shown) override { Calls.push_back(shown ? "popup on" : "popup off"); }
  void ShowProgress(int percent) override {
    Calls.push_back("progress " + std::to_string(percent));
  }
  void StartTrayAnimation(int frameMs) override {
    Calls.push_back("animate " + std::to_string(frameMs));
  }
  void StopTrayAnimation() override { Calls.push_back("still"); }
  void ShowNotice(const std::string& text, const std::string& folder) override {
    Calls.push_back("notice " + text + " in " + folder);
  }
  void ClearNotice() override { Calls.push_back("no notice"); }
  void ShowMessageLater(MessageKind kind, const std::string& text) override {
    Calls.push_back((kind == MessageKind::Error ? "later error " : "later ") + text);
  }
};

class CaptureState : public apptest::AppTest {
 protected:
  // A capture of `entries` pictures on this thread, the controller called back as a front
  // end calls it on its UI thread.
  Strings Capture(int entries, CaptureStart start = CaptureStart::OnCommand) {
    auto engine = apptest::MakeEngine();
    EXPECT_TRUE(engine->LoadStartupFilterFile());
    RecordingCaptureView view;
    CaptureStateController controller(*engine, view);
    engine->SetCaptureStateCallback([&](bool started) { controller.OnCaptureState(started); });
    engine->SetProgressCallback([&](int percent) { controller.OnCaptureProgress(percent); });
    auto gate = std::make_shared<vorlane::test::GatedSource::Gate>();
    gate->Release();
    const std::string cache = Path("cache");
    engine->SetSourceFactory([gate, cache, entries](int) {
      return std::make_unique<vorlane::test::GatedSource>(gate, cache, entries);
    });
    engine->CaptureJob(Firefox, 0, start);
    Notice = controller.LastNotice();
    ToolTip = controller.TrayToolTip(false);
    return view.Calls;
  }

  std::string Notice;
  std::string ToolTip;
};

}  // namespace

TEST_F(CaptureState, SignsFollowTheJob) {
  // Every capture on command is answered, named by its browser; one after a browser
  // closed that saved nothing stays quiet.
  const struct {
    bool ShowProgress;
    int Entries;
    CaptureStart Start;
    const char* Notice;
  } cases[] = {
      {true, 25, CaptureStart::OnCommand, "Firefox: 25 new files have been captured and saved"},
      {false, 1, CaptureStart::BrowserClosed, "Firefox: 1 new file has been captured and saved"},
      {true, 0, CaptureStart::OnCommand, "Firefox: No new files: the cache holds no entries"},
      {true, 0, CaptureStart::BrowserClosed, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Notice);
    UseFilterFile("capture.flt", {"shots-" + std::to_string(c.Entries)});
    const std::string out = Platform::JoinPath(Path("out"), "shots-" + std::to_string(c.Entries));
    UpdateSettings([&](Settings& settings) { settings.ShowNotifyProgressBar = c.ShowProgress; });
    const Strings calls = Capture(c.Entries, c.Start);
    Strings start = {"no notice", "list off", "progress 0"};
    if (c.ShowProgress) start.push_back("popup on");
    start.push_back("animate 150");
    ASSERT_GE(calls.size(), start.size() + 3);
    EXPECT_EQ(Strings(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(start.size())),
              start);
    Strings end = {"popup off", "still", "list on"};
    if (*c.Notice) {
      end.push_back("notice " + std::string(c.Notice) + " in " + (c.Entries > 0 ? out : ""));
    }
    EXPECT_EQ(Strings(calls.end() - static_cast<std::ptrdiff_t>(end.size()), calls.end()), end);
    // Progress reached the popup: entry 24 of 25 is 96 %.
    if (c.Entries == 25) {
      EXPECT_EQ(calls[calls.size() - end.size() - 1], "progress 96");
    }
    EXPECT_EQ(Notice, c.Notice);
    // The tooltip tells the last capture, also a quiet one.
    EXPECT_NE(ToolTip.find("\nLast capture "), std::string::npos) << ToolTip;
    EXPECT_TRUE(ToolTip.ends_with(", Firefox: " + std::to_string(c.Entries) +
                                  (c.Entries == 1 ? " new file" : " new files")))
        << ToolTip;
    EXPECT_EQ(vorlane::test::ListNames(out).size(), static_cast<size_t>(c.Entries));
  }
}

TEST_F(CaptureState, AFailedJobIsToldAfterThePopupWent) {
  UseFilterFile("capture.flt", {"a"});
  UpdateSettings(
      [&](Settings& settings) { settings.CacheFolders[Firefox] = Path("no/such/cache"); });
  auto engine = apptest::MakeEngine();
  EXPECT_TRUE(engine->LoadStartupFilterFile());
  RecordingCaptureView view;
  CaptureStateController controller(*engine, view);
  engine->SetCaptureStateCallback([&](bool started) { controller.OnCaptureState(started); });
  engine->CaptureJob(Firefox, 0);
  ASSERT_GE(view.Calls.size(), 2u);
  EXPECT_EQ(view.Calls[view.Calls.size() - 2], "list on");
  EXPECT_EQ(view.Calls.back().rfind("later error Can't open Mozilla cache.", 0), 0u)
      << view.Calls.back();
  EXPECT_TRUE(controller.LastNotice().empty());
}

TEST_F(CaptureState, NoticeNamesTheSkippedEntries) {
  EXPECT_EQ(CaptureNoticeText(2, 0), "2 new files have been captured and saved");
  EXPECT_EQ(CaptureNoticeText(1, 3), "1 new file has been captured and saved (3 " +
                                         UiTexts::Get(UiTextKey::SkippedEntries) + ")");
}

TEST_F(CaptureState, NoticeAndToolTipSayWhatHappened) {
  CaptureOutcome job;
  job.Browser = "Chromium";
  job.Finished = true;
  job.Counts.Entries = 13;
  job.Counts[SkipReason::Duplicate] = 8;
  job.Counts[SkipReason::TooSmall] = 3;
  job.Counts[SkipReason::NoMatch] = 2;
  EXPECT_EQ(CaptureNoticeFor(job, 0),
            "Chromium: No new files: 8 already saved, 3 smaller than the filters ask, 2 matched "
            "no filter");
  job.Start = CaptureStart::BrowserClosed;
  EXPECT_EQ(CaptureNoticeFor(job, 0), "");
  job.Counts.NewFiles = 5;
  EXPECT_EQ(CaptureNoticeFor(job, 2), "Chromium: 5 new files have been captured and saved (2 " +
                                          UiTexts::Get(UiTextKey::SkippedEntries) + ")");
  job.Counts.NotDecoded = 1;
  EXPECT_NE(CaptureNoticeFor(job, 0).find("; 1 " + UiTexts::Get(UiTextKey::NotDecodedFiles)),
            std::string::npos);
  // A job that failed or was stopped is told by its message, not by a count of nothing.
  job.Counts.NewFiles = 0;
  job.Start = CaptureStart::OnCommand;
  job.Finished = false;
  EXPECT_EQ(CaptureNoticeFor(job, 0), "");

  EXPECT_EQ(TrayToolTipText({"Firefox", "Chromium"}, false, nullptr),
            "Vorlane - watching Firefox, Chromium");
  EXPECT_EQ(TrayToolTipText({"Firefox"}, true, nullptr), "Vorlane - watching paused");
  job.EndTime = 1;
  job.Counts.NewFiles = 1;
  const std::string tip = TrayToolTipText({}, false, &job);
  EXPECT_TRUE(tip.starts_with("Vorlane\nLast capture ")) << tip;
  EXPECT_TRUE(tip.ends_with(", Chromium: 1 new file")) << tip;
}
