#include <gtest/gtest.h>

#include <string>

#include "config/OutputFolderCheck.h"
#include "support/TestSupport.h"

using vorlane::test::ScopedEnv;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

TEST(OutputFolderCheck, EachRefusalHasItsReason) {
  TempDir dir;
  ScopedEnv home("HOME", dir.Path());
  WriteFile(dir / "a-file", "x");
  using enum OutputFolderProblem;
  const std::pair<std::string, OutputFolderProblem> cases[] = {
      {"", NotAbsolute},
      {"pictures/cats", NotAbsolute},
      {"~user/pictures", NotAbsolute},
      {"\\\\server\\share", NotAbsolute},
      {std::string("/tmp/a\0b", 8), NotAbsolute},
      {"/", IsRoot},
      {"//", IsRoot},
      {"/tmp/..", IsRoot},
      {dir / "a-file", CannotCreate},
      {dir / "a-file/below/%DATE%", CannotCreate},
      {"~/a-file/x", CannotCreate},
      {"~/VOR_SAVES/%DATE%", None},
      {"~/VOR_SAVES/%SITE%/%BROWSER% %ISODATE%/%TIME%", None},
      {"%SITE%/pictures", NotAbsolute},
      {dir / "not/made/yet/", None},
      {"/tmp/../vorlane-nonexistent-folder", None}};
  for (const auto& [text, problem] : cases) EXPECT_EQ(CheckOutputFolder(text), problem) << text;
  EXPECT_EQ(OutputFolderProblemText(CannotCreate), UiTextKey::ErrorDirectoryCannotCreate);
  EXPECT_EQ(OutputFolderProblemText(NotLocal), UiTextKey::ErrorDirectoryNotLocal);
}
