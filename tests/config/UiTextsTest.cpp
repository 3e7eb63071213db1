#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "base/IniDocument.h"
#include "config/IniFile.h"
#include "config/LanguageList.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

const std::string kShippedFolder = std::string(VORLANE_SOURCE_DIR) + "/Langs";

UiTextKey KeyAt(size_t index) {
  return static_cast<UiTextKey>(index);
}

class Languages : public testing::Test {
 protected:
  void SetUp() override { UiTexts::Reset(); }
  void TearDown() override { UiTexts::Reset(); }

  std::string Language(const std::string& name, const std::string& body) {
    const std::string path = dir / name;
    WriteFile(path, "[GENERAL]\n" + body);
    return path;
  }

  TempDir dir;
};

}  // namespace

TEST_F(Languages, ShippedEnglishHoldsExactlyTheBuiltInTexts) {
  const std::string path = Platform::JoinPath(kShippedFolder, "English.lng");
  const IniDocument english = IniDocument::Parse(ReadFile(path));
  EXPECT_EQ(english.Get("GENERAL", "Language"), "English");

  // Line by line: the name, then every key in the order the program reads them.
  std::istringstream lines(ReadFile(path));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "[GENERAL]");
  std::getline(lines, line);
  EXPECT_EQ(line, "Language=English");
  for (const UiTextDefinition& text : UiTextTable) {
    ASSERT_TRUE(std::getline(lines, line)) << text.Key;
    EXPECT_EQ(line, std::string(text.Key) + "=" + std::string(text.English));
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
}

TEST_F(Languages, EveryShippedTranslationIsComplete) {
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(kShippedFolder)) {
    const std::string path = item.path().string();
    const IniDocument language = IniDocument::Parse(ReadFile(path));
    names.insert(language.Get("GENERAL", "Language"));
    for (const UiTextDefinition& text : UiTextTable) {
      EXPECT_TRUE(language.Has("GENERAL", text.Key)) << path << ": " << text.Key;
      if (text.Key != "Comments") {
        EXPECT_FALSE(language.Get("GENERAL", text.Key).empty()) << path << ": " << text.Key;
      }
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"Deutsch", "English", "Русский"}));

  // Loaded one after another, the last file's texts are all in force.
  for (const char* file : {"Deutsch.lng", "Russian.lng"}) {
    LoadLanguage(Platform::JoinPath(kShippedFolder, file));
  }
  EXPECT_EQ(UiTexts::Get(UiTextKey::TrayMenuExit), "Выход");
  EXPECT_EQ(UiTexts::Get(UiTextKey::OptOneCopy), "Одна копия");
}

TEST_F(Languages, LoadingReplacesOnlyNonEmptyValues) {
  // A file that sets only the tray menu's Exit.
  EXPECT_TRUE(LoadLanguage(Language("exit.lng", "TrayMenuExit=Quit\n")));
  for (size_t i = 0; i < UiTextCount; ++i) {
    const std::string expected =
        KeyAt(i) == UiTextKey::TrayMenuExit ? "Quit" : std::string(UiTextTable[i].English);
    EXPECT_EQ(UiTexts::Get(KeyAt(i)), expected) << UiTextTable[i].Key;
  }

  // Switching to a file that lacks OK, or leaves New empty, keeps the earlier texts.
  LoadLanguage(Language("first.lng", "OK=Jawohl\nNew=Neu\nCancel=Abbrechen\n"));
  LoadLanguage(Language("second.lng", "new=\nCANCEL = Annuler \n"));
  EXPECT_EQ(UiTexts::Get(UiTextKey::OK), "Jawohl");
  EXPECT_EQ(UiTexts::Get(UiTextKey::New), "Neu");
  EXPECT_EQ(UiTexts::Get(UiTextKey::Cancel), "Annuler");
  EXPECT_EQ(UiTexts::Get(UiTextKey::TrayMenuExit), "Quit");

  // A missing file changes nothing and still reports success.
  EXPECT_TRUE(LoadLanguage(dir / "missing.lng"));
  EXPECT_EQ(UiTexts::Get(UiTextKey::OK), "Jawohl");
}

TEST_F(Languages, TextsThatLookLikeFormatsStayLiteral) {
  LoadLanguage(Language("odd.lng",
                        "WarningCloseBrowser=%s %n %d {} {0}\n"
                        "NewFilter=100%\n"));
  EXPECT_EQ(UiTexts::Get(UiTextKey::WarningCloseBrowser), "%s %n %d {} {0}");
  EXPECT_EQ(UiTexts::Get(UiTextKey::NewFilter), "100%");
}

TEST_F(Languages, ReadLanguageName) {
  EXPECT_EQ(ReadLanguageName(Language("fr.lng", "language = Français\n")), "Français");
  EXPECT_EQ(ReadLanguageName(Language("none.lng", "OK=OK\n")), "");
  EXPECT_EQ(ReadLanguageName(dir / "missing.lng"), "");
}

TEST_F(Languages, ListIsSortedAndSelectsTheExactPath) {
  const std::string folder = dir / "Langs";
  WriteFile(Platform::JoinPath(folder, "b.lng"), "[GENERAL]\nLanguage=Same\n");
  WriteFile(Platform::JoinPath(folder, "a.lng"), "[GENERAL]\nLanguage=Same\n");
  WriteFile(Platform::JoinPath(folder, "c.LNG"), "[GENERAL]\nOK=OK\n");
  WriteFile(Platform::JoinPath(folder, "readme.txt"), "[GENERAL]\nLanguage=Not one\n");
  WriteFile(Platform::JoinPath(folder, "dir.lng/inner.lng"), "[GENERAL]\nLanguage=Nested\n");

  const LanguageList matched = BuildLanguageList(folder, Platform::JoinPath(folder, "b.lng"));
  ASSERT_EQ(matched.Entries.size(), 3u);
  EXPECT_EQ(matched.Entries[0].Name, "Same");
  EXPECT_EQ(matched.Entries[0].Path, Platform::JoinPath(folder, "a.lng"));
  EXPECT_EQ(matched.Entries[1].Name, "Same");
  EXPECT_EQ(matched.Entries[1].Path, Platform::JoinPath(folder, "b.lng"));
  EXPECT_EQ(matched.Entries[2].Name, "");  // no display name: an empty line
  EXPECT_EQ(matched.Entries[2].Path, Platform::JoinPath(folder, "c.LNG"));
  EXPECT_EQ(matched.Selected, 1);
  EXPECT_EQ(matched.Language, Platform::JoinPath(folder, "b.lng"));

  // Different capitals match nothing: the first entry is selected and adopted.
  const LanguageList unmatched = BuildLanguageList(folder, Platform::JoinPath(folder, "B.lng"));
  EXPECT_EQ(unmatched.Selected, 0);
  EXPECT_EQ(unmatched.Language, Platform::JoinPath(folder, "a.lng"));
}

TEST_F(Languages, EmptyOrMissingFolderKeepsTheLanguage) {
  std::filesystem::create_directory(dir / "empty");
  for (const std::string& folder : {dir / "empty", dir / "missing", std::string()}) {
    const LanguageList list = BuildLanguageList(folder, "/x/English.lng");
    EXPECT_TRUE(list.Entries.empty()) << folder;
    EXPECT_EQ(list.Selected, -1) << folder;
    EXPECT_EQ(list.Language, "/x/English.lng") << folder;
  }
}
