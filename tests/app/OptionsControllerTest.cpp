#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "FakeOptionsView.h"
#include "app/OptionsController.h"
#include "config/Settings.h"
#include "platform/Paths.h"

using Strings = std::vector<std::string>;

using apptest::FakeOptionsView;

namespace {

class Options : public apptest::AppTest {};

}  // namespace

TEST_F(Options, LanguageList) {
  const std::string langs = ProgramPlaces().LanguagesFolder;
  const std::string russian = Platform::JoinPath(langs, "Russian.lng");
  const std::string deutsch = Platform::JoinPath(langs, "Deutsch.lng");
  const struct {
    std::string Configured;
    const char* Selected;
    std::string SettingAfterCancel;
  } cases[] = {
      {russian, "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", russian},
      // The configured file is missing: the first one, at once.
      {Platform::JoinPath(langs, "Gone.lng"), "Deutsch", deutsch},
      // The same file by another spelling does not match.
      {langs + "//English.lng", "Deutsch", deutsch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Configured);
    UpdateSettings([&](Settings& settings) { settings.Language = c.Configured; });
    FakeOptionsView view;
    OptionsController(view).Load();
    ASSERT_EQ(view.Languages.size(), 3u);
    ASSERT_GE(view.Current.Language, 0);
    EXPECT_EQ(view.Languages[static_cast<size_t>(view.Current.Language)], c.Selected);
    // Cancel: nothing written, but a missing file's replacement stays.
    EXPECT_EQ(CurrentSettings().Language, c.SettingAfterCancel);
  }
}

TEST_F(Options, WithoutLanguageFiles) {
  Places places = ProgramPlaces();
  places.LanguagesFolder = Path("no-languages");
  SetProgramPlaces(places);
  UpdateSettings([](Settings& settings) { settings.Language = "/somewhere/English.lng"; });
  FakeOptionsView view;
  OptionsController options(view);
  options.Load();
  EXPECT_TRUE(view.Languages.empty());
  EXPECT_EQ(view.Current.Language, -1);
  options.Apply();
  EXPECT_EQ(CurrentSettings().Language, "/somewhere/English.lng");
}
