#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/FileNames.h"
#include "engine/NameChooser.h"

namespace {

CCacheBrowser::CCacheElement Entry(std::string url, std::string disposition = {}) {
  CCacheBrowser::CCacheElement entry;
  entry.SourceUrl = std::move(url);
  entry.ContentDisposition = std::move(disposition);
  return entry;
}

}  // namespace

TEST(NameChooser, OriginalNamesFromTheServerOrTheUrl) {
  const std::pair<CCacheBrowser::CCacheElement, std::string> cases[] = {
      {Entry("http://h/dir/photo%20one.jpg?size=2#top"), "photo one"},
      {Entry("http://h/a.tar.gz"), "a.tar"},
      {Entry("http://h/x", "attachment; filename=\"report 2026.pdf\""), "report 2026"},
      {Entry("http://h/x", "inline; filename=plain.txt"), "plain"},
      // filename* wins, percent-decoded from UTF-8, whatever its place.
      {Entry("http://h/x", "attachment; filename=\"naive.pdf\"; filename*=UTF-8''na%C3%AFve.pdf"),
       "na\xC3\xAFve"},
      {Entry("http://h/x", "attachment; filename=\"../../etc/passwd\""), "passwd"},
      {Entry("http://h/.hidden"), "hidden"},
      {Entry("http://h/dir/"), ""},
      {Entry("http://h/%00nul%0Ac"), "_nul_c"},
      {Entry("http://h/" + std::string(300, 'a') + ".jpg"), std::string(200, 'a')},
  };
  for (const auto& [entry, expected] : cases) {
    EXPECT_EQ(OriginalStem(entry), expected) << entry.SourceUrl << " " << entry.ContentDisposition;
  }
  // A long name is cut between UTF-8 sequences, never inside one.
  EXPECT_EQ(FileNames::SafeFileName(std::string(199, 'a') + "\xC3\xA9", false),
            std::string(199, 'a'));
  const std::pair<std::string, std::string> windows[] = {
      {"CON", "_CON"}, {"nul.txt", "_nul.txt"}, {"a:b*c?", "a_b_c_"}, {"name. . ", "name"},
      {"..", ""},      {"COM10", "COM10"},
  };
  for (const auto& [name, expected] : windows) {
    EXPECT_EQ(FileNames::SafeFileName(name, true), expected) << name;
  }
}
