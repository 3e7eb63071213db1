#include "AppTestSupport.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"

using vorlane::test::PathOf;

namespace apptest {

AppTest::AppTest() : StartedWithLogin(Platform::StartsWithLogin()) {
  vorlane::test::UseSandboxPlaces(Dir.Path());
  for (const char* folder : {"Filters", "Langs", "help"}) {
    std::filesystem::copy(PathOf(Platform::JoinPath(VORLANE_SOURCE_DIR, folder)),
                          PathOf(Dir / folder), std::filesystem::copy_options::recursive);
  }
  UpdateSettings([](Settings& settings) { settings.Watch.fill(false); });
  UiTexts::Reset();
}

AppTest::~AppTest() {
  if (Platform::StartsWithLogin() != StartedWithLogin) {
    Platform::SetStartWithLogin(StartedWithLogin, ProgramPlaces().ExecutablePath);
  }
  UiTexts::Reset();
  ResetSettings();
}

std::string AppTest::UseFilterFile(const std::string& name, const std::vector<std::string>& stems) {
  std::string text = "[GENERAL]\nVorlaneFilter=1\nHint=Test hint\n";
  for (size_t i = 0; i < stems.size(); ++i) {
    text += "[FILTER_" + std::to_string(i) +
            "]\nContentType=1\nDisabled=0\nMinSize=0\nURL=\nMinWeidth=0\nMinHeight=0\n"
            "Directory=" +
            Platform::JoinPath(Path("out"), stems[i]) + "\nFileNameDummy=" + stems[i] + "\n";
  }
  const std::string path = Path(name);
  vorlane::test::WriteFile(path, text);
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = path; });
  return path;
}

bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 4000 && !done(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

}  // namespace apptest
