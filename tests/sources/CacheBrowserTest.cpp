#include <gtest/gtest.h>

#include "platform/CacheFiles.h"
#include "sources/CCacheBrowser.h"
#include "sources/CError.h"
#include "support/MemorySource.h"
#include "support/MozillaCache2Writer.h"
#include "support/SaveEntry.h"
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
    if (FailOpen) throw CError(CError::MozillaCache, CError::OpenFailed, "/nowhere", "gone");
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
  std::optional<EntryContent> OpenContent(const CCacheElement&) const override {
    if (FailCopy) return std::nullopt;
    auto file = std::make_shared<Platform::ReadOnlyFile>();
    if (!file->Open(Body)) return std::nullopt;
    return EntryContent(std::move(file), 0, 7);
  }
  std::string Body;
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

TEST(CacheBrowser, TryOpenClosesOnFailureKeepsTheErrorAndIsSilent) {
  vorlane::test::MessageRecorder messages;
  ScriptedSource source;
  source.FailOpen = true;
  EXPECT_FALSE(source.TryOpen());
  EXPECT_EQ(source.CloseCalls, 1);
  EXPECT_TRUE(messages.Texts().empty());
  ASSERT_TRUE(source.GetOpenError());
  EXPECT_EQ(source.GetOpenError()->GetPath(), "/nowhere");
  EXPECT_EQ(source.GetOpenError()->GetReason(), "gone");

  source.FailOpen = false;
  EXPECT_TRUE(source.TryOpen());
  EXPECT_EQ(source.CloseCalls, 1);
  EXPECT_FALSE(source.GetOpenError());
}

TEST(CacheBrowser, AnUnreadableBodyIsReportedAndLeavesNothing) {
  vorlane::test::TempDir dir;
  ScriptedSource source;
  source.Body = dir / "body";
  vorlane::test::WriteFile(source.Body, "1234567890");
  source.Items = {{"http://e.com/a.gif", "image/gif", 2}};
  source.LoadEntries();
  vorlane::test::TempDir out;
  const auto saved = vorlane::test::SaveEntryAs(source, *source.GetFirst(), out / "x");
  EXPECT_TRUE(saved.Saved);
  EXPECT_EQ(saved.BytesWritten, 7u);
  EXPECT_EQ(vorlane::test::ReadFile(out / "x"), "1234567");
  source.FailCopy = true;
  const auto failed = vorlane::test::SaveEntryAs(source, *source.GetFirst(), out / "y");
  EXPECT_FALSE(failed.Saved);
  EXPECT_EQ(failed.Result, CCacheBrowser::WriteResult::Unreadable);
  EXPECT_EQ(vorlane::test::ListNames(out.Path()), (std::vector<std::string>{"x"}));
}

// A body with a Content-Encoding is saved decoded; one that does not decode is saved as
// stored, and no temporary file is left either way.
TEST(CacheBrowser, BodiesAreDecodedOrSavedAsStored) {
  const std::string text = "body { color: red }\n";
  vorlane::test::MemorySource source(
      {{"http://e.com/a.css", vorlane::test::CompressBody("gzip", text), 0},
       {"http://e.com/b.css", text, 0}});
  source.Items[0].Encoding = source.Items[1].Encoding = "gzip";
  source.LoadEntries();
  vorlane::test::TempDir dir;
  auto outcome = vorlane::test::SaveEntryAs(source, *source.GetAt(0), dir / "a.css");
  ASSERT_TRUE(outcome.Saved);
  EXPECT_TRUE(outcome.Decoded);
  EXPECT_EQ(outcome.BytesWritten, text.size());
  EXPECT_EQ(vorlane::test::ReadFile(dir / "a.css"), text);
  outcome = vorlane::test::SaveEntryAs(source, *source.GetAt(1), dir / "b.css");
  ASSERT_TRUE(outcome.Saved);
  EXPECT_FALSE(outcome.Decoded);
  EXPECT_EQ(vorlane::test::ReadFile(dir / "b.css"), text);
  EXPECT_EQ(vorlane::test::ListNames(dir.Path()), (std::vector<std::string>{"a.css", "b.css"}));
}
