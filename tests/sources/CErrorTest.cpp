#include <gtest/gtest.h>

#include "config/BrowserTable.h"
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
// another language, the system's reason at the end. A failed open of a cache whose
// folder may be named in the options points there.
TEST(CError, MessagesComeFromTheLanguageTexts) {
  UiTexts::Reset();
  const struct {
    CError Error;
    const BrowserInfo* Browser;
    std::string Expected;
  } cases[] = {
      {CError(CError::FilterCache, CError::FolderFailed, "/mnt/x", "Permission denied"), nullptr,
       "Can't create the folder:\n/mnt/x\nPermission denied"},
      {CError(CError::FilterCache, CError::SaveFailed, "/out", "No space left on device"), nullptr,
       "Can't save the file in the folder:\n/out\nNo space left on device"},
      {CError(CError::IECache, CError::OpenFailed, "/wine/Content.IE5"),
       FindBrowser(InternetExplorer), "Can't open the cache:\n/wine/Content.IE5"},
      {CError(CError::MozillaCache, CError::OpenFailed, "/p/cache2", "Not a directory"),
       FindBrowser(Firefox),
       "Can't open Mozilla cache. Please, define the correct path in the Options dialog.\n"
       "/p/cache2\nNot a directory"},
      {CError(7, 9, {}), nullptr, "Unknown error"},
  };
  for (const auto& [error, browser, expected] : cases) {
    EXPECT_EQ(ComposeMessage(CQuellbyMain::MessageFor(error, browser)), expected);
  }
  UiTexts::Set(UiTextKey::ErrorCreateFolder, "Ordner kann nicht angelegt werden");
  EXPECT_EQ(ComposeMessage(
                CQuellbyMain::MessageFor(CError(CError::FilterCache, CError::FolderFailed, "/x"))),
            "Ordner kann nicht angelegt werden:\n/x");
  UiTexts::Reset();
  EXPECT_EQ(ComposeMessage({UiTextKey::WarningCloseBrowser, "Maxthon", {}, {}}),
            "Maxthon has to be closed. Please, close the browser and try again.");
}
