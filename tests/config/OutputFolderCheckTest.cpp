#include <gtest/gtest.h>

#include <string>

#include "config/OutputFolderCheck.h"
#include "config/UiTexts.h"
#include "support/TestSupport.h"

using vorlane::test::ScopedEnv;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

TEST(OutputFolderCheck, EachRefusalHasItsReason) {
  TempDir dir;
  ScopedEnv home("HOME", dir.Path());
  WriteFile(dir / "a-file", "x");
  struct Case {
    std::string text;
    OutputFolderProblem problem;
  };
  const Case cases[] = {
      {"", OutputFolderProblem::NotAbsolute},
      {"pictures/cats", OutputFolderProblem::NotAbsolute},
      {"~user/pictures", OutputFolderProblem::NotAbsolute},
      {"\\\\server\\share", OutputFolderProblem::NotAbsolute},
      {std::string("/tmp/a\0b", 8), OutputFolderProblem::NotAbsolute},
      {"/", OutputFolderProblem::IsRoot},
      {"//", OutputFolderProblem::IsRoot},
      {"/tmp/..", OutputFolderProblem::IsRoot},
      {dir / "a-file", OutputFolderProblem::CannotCreate},
      {dir / "a-file/below/%DATE%", OutputFolderProblem::CannotCreate},
      {"~/a-file/x", OutputFolderProblem::CannotCreate},
      {"~/VOR_SAVES/%DATE%", OutputFolderProblem::None},
      {dir / "not/made/yet/", OutputFolderProblem::None},
      {dir.Path(), OutputFolderProblem::None},
      {"/tmp/../vorlane-nonexistent-folder", OutputFolderProblem::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckOutputFolder(c.text), c.problem) << c.text;
  }
  // Every refusal is explained by a text of its own.
  EXPECT_EQ(OutputFolderProblemText(OutputFolderProblem::NotAbsolute),
            UiTextKey::ErrorDirectoryNotAbsolute);
  EXPECT_EQ(OutputFolderProblemText(OutputFolderProblem::IsRoot), UiTextKey::ErrorDirectoryIsRoot);
  EXPECT_EQ(OutputFolderProblemText(OutputFolderProblem::CannotCreate),
            UiTextKey::ErrorDirectoryCannotCreate);
  EXPECT_EQ(OutputFolderProblemText(OutputFolderProblem::NotLocal),
            UiTextKey::ErrorDirectoryNotLocal);
}
