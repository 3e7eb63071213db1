#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include <filesystem>
#include <string>

#include "config/Settings.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MakeFileLink;
using vorlane::test::ReadFile;
using vorlane::test::ScopedEnv;
using vorlane::test::StartWithLoginText;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace fs = std::filesystem;

namespace {

class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    places.ProgramFolder = dir / "Program Files/Vorlane/";
    places.ExecutablePath = places.ProgramFolder + "vorlane";
    places.DataFolder = dir / "data/Vorlane";
    places.SettingsPath = Platform::JoinPath(places.DataFolder, "VOR.cfg");
    places.DefaultFilterPath = places.ProgramFolder + "Filters/Default.flt";
    places.LanguagesFolder = places.ProgramFolder + "Langs";
    places.HelpFilePath = places.ProgramFolder + "help/index.html";
    SetProgramPlaces(places);
    ResetSettings();
    std::filesystem::create_directories(places.DataFolder);
  }

  // The Run value is the user's own, not a temporary file's.
  void TearDown() override {
    if (Platform::RunningOnWindows) Platform::SetStartWithLogin(false, {});
  }

  TempDir dir;
  ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
  Places places;
};

}  // namespace

TEST_F(SettingsFile, FirstRunWritesEveryKeyInOrder) {
  EXPECT_TRUE(ReadSettings());  // no file yet: the defaults stay
  EXPECT_TRUE(WriteSettings());
  EXPECT_EQ(ReadFile(places.SettingsPath),
            "[GENERAL]\n"
            "Mozilla=1\n"
            "MozillaCachePath=\n"
            "IE=1\n"
            "Maxthon=1\n"
            "DefaultCombPath=~/VOR_SAVES\n"
            "DefaultFileNameDummy=file\n"
            "FiltersFileName=\n"
            "ShowNotifyProgressBar=1\n"
            "NotifyProgressBarOnCenter=1\n"
            "NotifyProgressTransparency=100\n"
            "OneCopy=1\n"
            "SkipDuplicates=1\n"
            "StartWithWindowsStartUp=1\n"
            "Language=" +
                Platform::JoinPath(places.ProgramFolder, "Langs/English.lng") +
                "\n"
                "DecodeContent=1\n"
                "KeepServerTime=0\nCaptureWhileRunning=0\n"
                // The further browsers of the table, with their defaults.
                "Chrome=1\nChromium=1\nEdge=1\nBrave=1\nOpera=1\nVivaldi=1\n"
                "Discord=0\nSlack=0\nCode=0\nTeams=0\n"
                "LibreWolf=0\nWaterfox=0\nFloorp=0\n"
                "StartWithLoginAsked=0\nLastCapture=\n");
  // Start with login is on by default, but nothing enters the session before the user
  // has been asked.
  EXPECT_FALSE(Platform::StartsWithLogin());
  UpdateSettings([](Settings& settings) { settings.StartWithLoginAsked = true; });
  EXPECT_TRUE(WriteSettings());
  // Quoted: the program's path holds a blank.
  const std::string quoted = "\"" + places.ExecutablePath + "\"";
  EXPECT_NE(
      StartWithLoginText().find(Platform::RunningOnWindows ? quoted : "Exec=" + quoted + "\n"),
      std::string::npos);
  EXPECT_NE(ReadFile(places.SettingsPath).find("\nStartWithLoginAsked=1\n"), std::string::npos);
  EXPECT_EQ(ListNames(places.DataFolder), std::vector<std::string>{"VOR.cfg"});
}

TEST_F(SettingsFile, ValuesAreReadByTheirType) {
  WriteFile(places.SettingsPath,
            "[general]\n"
            "mozilla=0\n"
            "IE=2\n"
            "Maxthon=  -1\n"
            "OneCopy=no\n"
            "DefaultCombPath=\n"
            "DefaultFileNameDummy=  pic  \n"
            "MozillaCachePath=/home/u/.cache/mozilla/firefox/x.default/Cache\n"
            "NotifyProgressTransparency=300\n"
            "DecodeContent=0\n");
  ReadSettings();
  const Settings settings = CurrentSettings();
  EXPECT_FALSE(settings.Watch[Firefox]);
  EXPECT_TRUE(settings.Watch[InternetExplorer]);
  EXPECT_TRUE(settings.Watch[Maxthon]);
  // Browsers the file does not know yet keep their defaults.
  EXPECT_TRUE(settings.Watch[Chrome]);
  EXPECT_FALSE(settings.Watch[LibreWolf] || settings.Watch[Waterfox] || settings.Watch[Floorp]);
  EXPECT_FALSE(settings.OneCopy);
  EXPECT_EQ(settings.DefaultCombPath, "~/VOR_SAVES");  // empty value: default stays
  EXPECT_EQ(settings.DefaultFileNameDummy, "pic");
  EXPECT_EQ(settings.CacheFolders[Firefox], "/home/u/.cache/mozilla/firefox/x.default/Cache");
  EXPECT_EQ(settings.NotifyProgressTransparency, 300);  // the popup takes the low 8 bits
  EXPECT_TRUE(settings.SkipDuplicates);                 // missing: default stays
  EXPECT_FALSE(settings.DecodeContent);

  const std::pair<const char*, int32_t> transparency[] = {
      {"abc", 0}, {"300", 300}, {" 55 percent", 55}, {"-1", -1}, {"", 100}};
  for (const auto& [text, expected] : transparency) {
    ResetSettings();
    WriteFile(places.SettingsPath,
              std::string("[GENERAL]\nNotifyProgressTransparency=") + text + "\n");
    ReadSettings();
    EXPECT_EQ(CurrentSettings().NotifyProgressTransparency, expected) << text;
  }
}

TEST_F(SettingsFile, WriteKeepsForeignLinesAndNormalisesValues) {
  WriteFile(places.SettingsPath,
            "; written by hand\n"
            "[User]\n"
            "note=keep me\n"
            "[GENERAL]\n"
            "IE=2\n"
            "Unknown=x\n");
  ReadSettings();
  UpdateSettings([](Settings& settings) {
    settings.StartWithWindowsStartUp = false;
    settings.DefaultCombPath = " /srv/saves ";
  });
  WriteSettings();
  const std::string text = ReadFile(places.SettingsPath);
  EXPECT_TRUE(text.starts_with(
      "; written by hand\n[User]\nnote=keep me\n[GENERAL]\nIE=1\nUnknown=x\nMozilla=1\n"))
      << text;
  EXPECT_NE(text.find("\nDefaultCombPath=\" /srv/saves \"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nStartWithWindowsStartUp=0\n"), std::string::npos) << text;
  // A value with blanks at its ends comes back exactly.
  ResetSettings();
  ReadSettings();
  EXPECT_EQ(CurrentSettings().DefaultCombPath, " /srv/saves ");
  EXPECT_FALSE(CurrentSettings().StartWithWindowsStartUp);
}

TEST_F(SettingsFile, StartWithLoginFollowsTheSetting) {
  // Before the question an entry the user made by hand stays, whatever the setting says.
  Platform::SetStartWithLogin(true, places.ExecutablePath);
  const std::string mine = StartWithLoginText();
  UpdateSettings([](Settings& settings) { settings.StartWithWindowsStartUp = false; });
  WriteSettings();
  EXPECT_EQ(StartWithLoginText(), mine);
  Platform::SetStartWithLogin(false, {});
  UpdateSettings([](Settings& settings) {
    settings.StartWithWindowsStartUp = true;
    settings.StartWithLoginAsked = true;
  });
  WriteSettings();
  ASSERT_TRUE(Platform::StartsWithLogin());

  UpdateSettings([](Settings& settings) { settings.StartWithWindowsStartUp = false; });
  WriteSettings();
  EXPECT_FALSE(Platform::StartsWithLogin());

  // A moved program repairs its entry on the next write.
  places.ExecutablePath = dir / "moved/vorlane";
  SetProgramPlaces(places);
  UpdateSettings([](Settings& settings) { settings.StartWithWindowsStartUp = true; });
  WriteSettings();
  const std::string& moved = places.ExecutablePath;
  EXPECT_NE(StartWithLoginText().find(Platform::RunningOnWindows ? "\"" + moved + "\""
                                                                 : "Exec=" + moved + "\n"),
            std::string::npos);
}

TEST_F(SettingsFile, UnreadableSettingsFileIsNotReplaced) {
  // A folder in place of the file: nothing can be read, so nothing is written over it.
  std::filesystem::create_directory(places.SettingsPath);
  EXPECT_TRUE(ReadSettings());
  EXPECT_TRUE(WriteSettings());
  EXPECT_TRUE(std::filesystem::is_directory(places.SettingsPath));
  EXPECT_EQ(CurrentSettings().NotifyProgressTransparency, 100);
}

TEST_F(SettingsFile, LanguageDefaultFollowsThePlaces) {
  EXPECT_EQ(CurrentSettings().Language,
            Platform::JoinPath(places.ProgramFolder, "Langs/English.lng"));
  places.LanguagesFolder = dir / "elsewhere/Langs";
  SetProgramPlaces(places);
  EXPECT_EQ(CurrentSettings().Language, dir / "elsewhere/Langs/English.lng");

  // A language the user chose is kept.
  UpdateSettings([](Settings& settings) { settings.Language = "/x/Deutsch.lng"; });
  places.LanguagesFolder = dir / "third/Langs";
  SetProgramPlaces(places);
  EXPECT_EQ(CurrentSettings().Language, "/x/Deutsch.lng");
}

// The scratch folder is the program's own Temp/ folder: the user's files in the data
// folder (a filter file, notes, captures) are never touched, whatever their names.
TEST_F(SettingsFile, CleanScratchFolderEmptiesOnlyItsOwnFolder) {
  const std::string data = places.DataFolder;
  EXPECT_EQ(ScratchFolder(), Platform::JoinPath(data, "Temp"));
  // Names that differ only in case are one name on Windows.
  std::vector<std::string> mine = {"Mine.flt", "VOR.cfg", "VOR.cfg.0123456789abcdef.tmp",
                                   "entry.jpg", "notes.txt"};
  if (!Platform::RunningOnWindows) mine.push_back("vor.cfg");
  for (const std::string& name : mine) WriteFile(Platform::JoinPath(data, name), "keep");
  WriteFile(Platform::JoinPath(data, "sub/inner.txt"), "z");
  WriteFile(Platform::JoinPath(data, "Temp/left.bin"), "old");
  WriteFile(Platform::JoinPath(data, "Temp/deeper/kept.bin"), "folders stay");
  // A link in the scratch folder is not followed to what it names.
  MakeFileLink(Platform::JoinPath(data, "notes.txt"), Platform::JoinPath(data, "Temp/link"));
  UpdateSettings([&](Settings& settings) {
    settings.FiltersFileName = Platform::JoinPath(data, "./Mine.flt");
  });

  CleanScratchFolder();
  EXPECT_EQ(ListNames(data), mine);
  for (const std::string& name : mine)
    EXPECT_EQ(ReadFile(Platform::JoinPath(data, name)), "keep") << name;
  EXPECT_EQ(ListNames(Platform::JoinPath(data, "sub")), std::vector<std::string>{"inner.txt"});
  EXPECT_FALSE(fs::exists(Platform::JoinPath(data, "Temp/left.bin")));
  EXPECT_TRUE(fs::exists(Platform::JoinPath(data, "Temp/deeper/kept.bin")));
}

TEST_F(SettingsFile, ScratchFolderWithoutDataFolder) {
  places.DataFolder.clear();
  SetProgramPlaces(places);
  EXPECT_EQ(ScratchFolder(), places.ProgramFolder + "Temp");
  WriteFile(places.ProgramFolder + "Temp/old.bin", "x");
  WriteFile(places.ProgramFolder + "keep.txt", "x");
  CleanScratchFolder();
  EXPECT_TRUE(ListNames(places.ProgramFolder + "Temp").empty());
  EXPECT_EQ(ListNames(places.ProgramFolder), std::vector<std::string>{"keep.txt"});

  // Without any place the scratch folder is unknown and nothing is touched.
  places.ProgramFolder.clear();
  SetProgramPlaces(places);
  EXPECT_EQ(ScratchFolder(), "");
  CleanScratchFolder();
}

TEST_F(SettingsFile, TheFilterListInUseIsTheUsersCopy) {
  const std::string shipped = places.DefaultFilterPath;
  const std::string copy =
      Platform::JoinPath(Platform::JoinPath(places.DataFolder, "Filters"), "Default.flt");
  WriteFile(shipped, "shipped");
  EXPECT_EQ(UserFilterPath(), copy);
  // Named before, a copy there before (or not), then what is named and copied.
  const std::array<std::array<std::string, 4>, 5> cases = {{
      {"", "", copy, "shipped"},
      {shipped, "", copy, "shipped"},
      {"", "edited", copy, "edited"},  // an earlier copy keeps the user's edits
      {copy, "edited", copy, "edited"},
      {"/home/u/mine.flt", "", "/home/u/mine.flt", ""},
  }};
  for (const auto& [named, before, namedAfter, after] : cases) {
    std::filesystem::remove_all(places.DataFolder + "/Filters");
    if (!before.empty()) WriteFile(copy, before);
    UpdateSettings([&](Settings& settings) { settings.FiltersFileName = named; });
    EXPECT_EQ(SelectUserFilterFile(), namedAfter == copy) << named;
    EXPECT_EQ(CurrentSettings().FiltersFileName, namedAfter) << named;
    EXPECT_EQ(Platform::FileExists(copy) ? ReadFile(copy) : "", after) << named;
  }
  EXPECT_EQ(ReadFile(shipped), "shipped");
  // Nothing to copy: the settings stay as they were.
  std::filesystem::remove_all(places.DataFolder + "/Filters");
  std::filesystem::remove(shipped);
  UpdateSettings([](Settings& settings) { settings.FiltersFileName.clear(); });
  EXPECT_FALSE(SelectUserFilterFile());
  EXPECT_EQ(CurrentSettings().FiltersFileName, "");
}
