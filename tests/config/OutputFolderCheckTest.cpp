#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/OutputFolderCheck.h"
#include "platform/System.h"
#include "support/TestSupport.h"

using vorlane::test::ScopedEnv;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

TEST(OutputFolderCheck, EachRefusalHasItsReason) {
  TempDir dir;
  ScopedEnv home("HOME", dir.Path());
  WriteFile(dir / "a-file", "x");
  using enum OutputFolderProblem;
  std::vector<std::pair<std::string, OutputFolderProblem>> cases = {
      {"", NotAbsolute},
      {"pictures/cats", NotAbsolute},
      {"%SITE%/pictures", NotAbsolute},
      {dir / "a-file", CannotCreate},
      {dir / "a-file/below/%DATE%", CannotCreate},
      {dir / "not/made/yet/", None},
      {dir / "%SITE%/%BROWSER% %ISODATE%/%TIME%", None}};
  if (Platform::RunningOnWindows) {
    cases.insert(cases.end(), {{std::string("C:\\a\0b", 6), NotAbsolute},
                               {"C:\\", IsRoot},
                               {"C:\\Temp\\..", IsRoot},
                               {"\\\\server\\share\\saves", NotLocal}});
  } else {
    cases.insert(cases.end(), {{"~user/pictures", NotAbsolute},
                               {"\\\\server\\share", NotAbsolute},
                               {std::string("/tmp/a\0b", 8), NotAbsolute},
                               {"/", IsRoot},
                               {"//", IsRoot},
                               {"/tmp/..", IsRoot},
                               {"~/a-file/x", CannotCreate},
                               {"~/VOR_SAVES/%DATE%", None},
                               {"~/VOR_SAVES/%SITE%/%BROWSER% %ISODATE%/%TIME%", None},
                               {"/tmp/../vorlane-nonexistent-folder", None},
                               {"/x/nonexistent/../../..", IsRoot}});
  }
  for (const auto& [text, problem] : cases) EXPECT_EQ(CheckOutputFolder(text), problem) << text;
  EXPECT_EQ(OutputFolderProblemText(CannotCreate), UiTextKey::ErrorDirectoryCannotCreate);
  EXPECT_EQ(OutputFolderProblemText(NotLocal), UiTextKey::ErrorDirectoryNotLocal);
  EXPECT_EQ(OutputFolderProblemText(ReadOnly), UiTextKey::ErrorDirectoryReadOnly);
}
