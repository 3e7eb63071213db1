#include <gtest/gtest.h>

#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "sources/CError.h"
#include "support/TestSupport.h"

TEST(CError, KeepsItsFactsAndShowsNothing) {
  vorlane::test::MessageRecorder messages;
  const CError error(CError::IECache, CError::CopyFailed, "/cache/a", "No such file");
  EXPECT_EQ(error.GetModule(), CError::IECache);
  EXPECT_EQ(error.GetCode(), CError::CopyFailed);
  EXPECT_EQ(error.GetPath(), "/cache/a");
  EXPECT_EQ(error.GetReason(), "No such file");
  EXPECT_TRUE(messages.Texts().empty());
}

// The front end words an error from the language texts: no class names, no text of
// another language, the system's reason at the end.
TEST(CError, MessagesComeFromTheLanguageTexts) {
  UiTexts::Reset();
  const std::pair<CError, std::string> cases[] = {
      {CError(CError::FilterCache, CError::FolderFailed, "/mnt/x", "Permission denied"),
       "Can't create the folder:\n/mnt/x\nPermission denied"},
      {CError(CError::FilterCache, CError::SaveFailed, "/out", "No space left on device"),
       "Can't save the file in the folder:\n/out\nNo space left on device"},
      {CError(CError::IECache, CError::OpenFailed, "/wine/Content.IE5"),
       "Can't open the cache:\n/wine/Content.IE5"},
      {CError(CError::MozillaCache, CError::OpenFailed, "/p/cache2", "Not a directory"),
       "Can't open Mozilla cache. Please, define the correct path in the Options dialog.\n"
       "/p/cache2\nNot a directory"},
      {CError(7, 9, {}), "Unknown error"},
  };
  for (const auto& [error, expected] : cases) {
    EXPECT_EQ(ComposeMessage(CQuellbyMain::MessageFor(error)), expected);
  }
  UiTexts::Set(UiTextKey::ErrorCreateFolder, "Ordner kann nicht angelegt werden");
  EXPECT_EQ(ComposeMessage(
                CQuellbyMain::MessageFor(CError(CError::FilterCache, CError::FolderFailed, "/x"))),
            "Ordner kann nicht angelegt werden:\n/x");
  UiTexts::Reset();
  EXPECT_EQ(ComposeMessage({UiTextKey::WarningCloseBrowser, "Maxthon", {}, {}}),
            "Maxthon has to be closed. Please, close the browser and try again.");
}
