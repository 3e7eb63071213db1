#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/CaptureCommands.h"
#include "app/OptionsController.h"
#include "config/BrowserTable.h"
#include "support/GatedSource.h"

using Strings = std::vector<std::string>;

namespace {

class CaptureCommandsTest : public apptest::AppTest {
 protected:
  CaptureCommandsTest() {
    // Captures find an empty cache at once.
    auto gate = std::make_shared<vorlane::test::GatedSource::Gate>();
    gate->Release();
    const std::string cache = Path("cache");
    Engine->SetSourceFactory([gate, cache](int) {
      return std::make_unique<vorlane::test::GatedSource>(gate, cache, 0);
    });
  }

  std::unique_ptr<CQuellbyMain> Engine = apptest::MakeEngine();
  CaptureCommands Commands{*Engine};
};

}  // namespace

TEST_F(CaptureCommandsTest, OneToolPerFormatWithACaptureCommand) {
  const int firefox = Commands.ToolOf(Firefox);
  const int urlCache = Commands.ToolOf(InternetExplorer);
  const int chromium = Commands.ToolOf(Chrome);
  ASSERT_EQ(firefox, 0);
  ASSERT_GE(urlCache, 0);
  ASSERT_GE(chromium, 0);
  EXPECT_EQ(Commands.Tools().size(), 3u);
  // Maxthon has no command of its own: the tool of the cache it shares captures it.
  EXPECT_EQ(Commands.ToolOf(Maxthon), urlCache);
  EXPECT_EQ(Commands.ToolOf(-1), -1);
  EXPECT_EQ(Commands.Label(0), "Firefox");
  EXPECT_EQ(Commands.Tooltip(0), "Capture and Save Files from Mozilla");
  EXPECT_EQ(Commands.Tooltip(static_cast<size_t>(urlCache)),
            "Capture and Save Files from IE and Maxthon");

  // A browser chosen from a tool's menu is the one the tool captures from now on.
  const auto tool = static_cast<size_t>(chromium);
  EXPECT_EQ(Commands.Label(tool), "Chrome");
  Commands.Choose(tool, Edge);
  EXPECT_EQ(Commands.Tools()[tool].Current, Edge);
  EXPECT_EQ(Commands.Label(tool), "Edge");
  EXPECT_EQ(Commands.Tooltip(tool), "Capture and Save Files from Microsoft Edge");
  Commands.Choose(tool, Firefox);  // not one of the tool's
  EXPECT_EQ(Commands.Tools()[tool].Current, Edge);
  EXPECT_TRUE(apptest::WaitUntil([&] { return !Engine->IsBusy(); }));
}

TEST_F(CaptureCommandsTest, WithoutACacheFoundNoBrowserOfAToolIsOffered) {
  const auto tool = static_cast<size_t>(Commands.ToolOf(Chrome));
  const std::vector<CaptureCommands::Entry> offered = Commands.Choices(tool);
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].Text, "No browser cache found");
  EXPECT_EQ(offered[0].Code, -1);
  EXPECT_FALSE(offered[0].Enabled);
  EXPECT_EQ(Commands.Label(tool), "Chrome");
}

// A browser row that names the generic texts gets its display name added, so rows added
// to the table need no texts of their own.
TEST_F(CaptureCommandsTest, GenericRowsNameTheirBrowser) {
  BrowserInfo row = Browsers()[Firefox];
  row.DisplayName = "Example Browser";
  row.OptionText = UiTextKey::OptUseWithBrowser;
  row.CaptureText = UiTextKey::CaptureFrom;
  EXPECT_EQ(OptionTextOf(row), "Use with Example Browser");
  EXPECT_EQ(CaptureTextOf(row), "Capture and Save Files from Example Browser");
  EXPECT_EQ(OptionsController::WatchText(Firefox), "Use with Mozilla Firefox");
  // Every check box of a language reads alike, the name where its word order puts it.
  LoadLanguage(Path("Langs/Deutsch.lng"));
  for (const BrowserInfo& browser : Browsers()) {
    const std::string text = OptionsController::WatchText(browser.Code);
    EXPECT_TRUE(text.starts_with("Mit ") && text.ends_with(" verwenden")) << text;
    EXPECT_NE(text.find(browser.DisplayName), std::string::npos) << text;
  }
}
