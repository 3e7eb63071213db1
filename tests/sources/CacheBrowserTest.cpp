#include <gtest/gtest.h>

#include "sources/CCacheBrowser.h"
#include "sources/CError.h"
#include "support/MemorySource.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"

namespace {

// A source whose entries and failures are chosen by the test.
class ScriptedSource : public CCacheBrowser {
 public:
  struct Item {
    std::string Url;
    std::string Mime;
    KindCode Kind;
  };
  std::vector<Item> Items;
  bool FailOpen = false;
  int OpenCalls = 0;
  int CloseCalls = 0;
  bool FailCopy = false;

  std::string GetEntryFile(const CCacheElement& entry) const override { return entry.LocalFile; }
  void Open() override {
    ++OpenCalls;
    if (FailOpen) throw CError(CError::MozillaCache, CError::OpenFailed, "/nowhere", {}, 2);
  }
  void Close() override { ++CloseCalls; }
  void ReadEntries() override {
    for (const Item& item : Items) {
      auto entry = std::make_unique<CCacheElement>();
      entry->SourceUrl = item.Url;
      entry->MimeType = item.Mime;
      entry->Kind = item.Kind;
      entry->Index = 99;  // LoadEntries must renumber
      AppendEntry(std::move(entry));
    }
  }
  bool CopyEntry(const CCacheElement&, const std::string& destination, bool,
                 CopyOutcome& outcome) override {
    if (FailCopy) throw CError(CError::MozillaCache, CError::CopyFailed, "/src", destination, 5);
    outcome.BytesWritten = 7;
    return true;
  }
};

}  // namespace

TEST(CacheBrowser, EmptySourceHasNoEntries) {
  ScriptedSource source;
  EXPECT_EQ(source.LoadEntries(), 0);
  EXPECT_EQ(source.GetFirst(), nullptr);
  EXPECT_EQ(source.GetAt(0), nullptr);
}

TEST(CacheBrowser, LoadEntriesRefinesOnlyUnknownAndPlainAndNumbers) {
  ScriptedSource source;
  source.Items = {{"http://e.com/a.gif", "image/jpeg", 1},
                  {"http://e.com/b.gif", "text/plain", 15},
                  {"http://e.com/c.gif", "", 0},
                  {"http://e.com/d.txt", "text/plain", 15}};
  ASSERT_EQ(source.LoadEntries(), 4);
  std::vector<KindCode> kinds;
  int expectedIndex = 0;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    EXPECT_EQ(entry->Index, expectedIndex++);
    kinds.push_back(entry->Kind);
  }
  EXPECT_EQ(kinds, (std::vector<KindCode>{1, 2, 2, 15}));
  EXPECT_EQ(source.GetAt(4), nullptr);
  EXPECT_EQ(source.GetNext(*source.GetAt(3)), nullptr);

  // A second load starts from scratch rather than appending.
  EXPECT_EQ(source.LoadEntries(), 4);
}

TEST(CacheBrowser, TryOpenClosesOnFailureAndIsSilent) {
  vorlane::test::MessageRecorder messages;
  ScriptedSource source;
  source.FailOpen = true;
  EXPECT_FALSE(source.TryOpen());
  EXPECT_EQ(source.CloseCalls, 1);
  EXPECT_TRUE(messages.Texts().empty());

  source.FailOpen = false;
  EXPECT_TRUE(source.TryOpen());
  EXPECT_EQ(source.CloseCalls, 1);
}

TEST(CacheBrowser, SaveEntryTurnsCopyErrorIntoFalse) {
  ScriptedSource source;
  source.Items = {{"http://e.com/a.gif", "image/gif", 2}};
  source.LoadEntries();
  CCacheBrowser::CopyOutcome outcome;
  EXPECT_TRUE(source.SaveEntry(*source.GetFirst(), "/tmp/x", true, &outcome));
  EXPECT_EQ(outcome.BytesWritten, 7u);
  source.FailCopy = true;
  EXPECT_FALSE(source.SaveEntry(*source.GetFirst(), "/tmp/x", true, &outcome));
  EXPECT_EQ(outcome.BytesWritten, 0u);
}

// A source that cannot say where its bytes lie has its copy decoded in place: the
// copy is replaced by the decoded body, a body that does not decode stays as stored,
// and no temporary file is left either way.
TEST(CacheBrowser, CopiesOfUnlocatedBodiesAreDecodedInPlace) {
  const std::string text = "body { color: red }\n";
  vorlane::test::MemorySource source(
      {{"http://e.com/a.css", vorlane::test::CompressBody("gzip", text), 0},
       {"http://e.com/b.css", text, 0}});
  source.Items[0].Encoding = source.Items[1].Encoding = "gzip";
  source.LoadEntries();
  vorlane::test::TempDir dir;
  CCacheBrowser::CopyOutcome outcome;
  ASSERT_TRUE(source.SaveEntry(*source.GetAt(0), dir / "a.css", true, &outcome));
  EXPECT_TRUE(outcome.Decoded);
  EXPECT_EQ(outcome.BytesWritten, text.size());
  EXPECT_EQ(vorlane::test::ReadFile(dir / "a.css"), text);
  ASSERT_TRUE(source.SaveEntry(*source.GetAt(1), dir / "b.css", true, &outcome));
  EXPECT_FALSE(outcome.Decoded);
  EXPECT_EQ(vorlane::test::ReadFile(dir / "b.css"), text);
  EXPECT_EQ(vorlane::test::ListNames(dir.Path()), (std::vector<std::string>{"a.css", "b.css"}));
}
