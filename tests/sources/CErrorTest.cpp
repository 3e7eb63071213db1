#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "sources/CError.h"
#include "support/TestSupport.h"

TEST(CError, SilentCodesShowNothingButKeepTheirFacts) {
  vorlane::test::MessageRecorder messages;
  for (int code : {5, 6, 7, 8}) {
    CError error(CError::IECache, code, "/cache/a", "/out/b", ENOENT);
    EXPECT_TRUE(error.IsSilent());
    EXPECT_EQ(error.GetCode(), code);
    EXPECT_EQ(error.GetModule(), CError::IECache);
    EXPECT_EQ(error.GetFirstPath(), "/cache/a");
    EXPECT_EQ(error.GetSecondPath(), "/out/b");
    EXPECT_EQ(error.GetSystemError(), ENOENT);
    EXPECT_TRUE(error.GetMessage().empty());
  }
  EXPECT_TRUE(messages.Texts().empty());
}

TEST(CError, ShownTextsAreComposedExactly) {
  vorlane::test::MessageRecorder messages;
  const std::string system = std::strerror(EACCES);
  CError folder(CError::FilterCache, CError::FolderFailed, "/mnt/x", {}, EACCES);
  CError unknownModule(7, CError::FolderFailed, "/p", {}, EACCES);
  CError unknownCode(CError::MozillaCache, 9, "/p", {}, EACCES);

  const std::vector<std::string> expected = {
      "FilterCache: \nCan't create the Folder:\n/mnt/x\nДоп. инфо: \n" + system,
      "Неизвестный модуль \nCan't create the Folder:\n/p\nДоп. инфо: \n" + system,
      "MozillaCache: \nНеизвестная ошибка\n\nДоп. инфо: \n" + system,
  };
  EXPECT_EQ(messages.Texts(), expected);
  EXPECT_EQ(folder.GetMessage(), expected[0]);
  ASSERT_EQ(messages.Messages().size(), 3u);
  EXPECT_EQ(messages.Messages()[0].first, MessageKind::Error);
}
