// The bookkeeping of the platform's file objects, which is the same on every system:
// these run on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ContentDigest.h"
#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

std::span<const std::byte> BytesOf(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace

// A temporary is created, written, copied into, committed under its name once, and a
// second file of that name is refused and removed when it goes.
TEST(OutputFile, TemporaryIsWrittenCommittedOnceAndRemovedWhenNotCommitted) {
  TempDir dir;
  WriteFile(dir / "cache", "0123456789");
  Platform::ReadOnlyFile source;
  ASSERT_TRUE(source.Open(dir / "cache"));

  Platform::OutputFile out;
  ASSERT_TRUE(out.Create(dir.Path()));
  // Where the file system allows, the temporary has no name at all.
  EXPECT_TRUE(out.IsUnnamed() || Platform::IsOutputTemporaryName(Platform::FileName(out.Path())));
  ASSERT_TRUE(out.Write(BytesOf("ab")));
  EXPECT_EQ(out.CopyFrom(source, 2, 3), Platform::CopyResult::Ok);
  // Past the end: what there is is copied, and the caller hears that it ended.
  EXPECT_EQ(out.CopyFrom(source, 8, 5), Platform::CopyResult::SourceEnded);
  EXPECT_EQ(out.BytesWritten(), 7u);
  ASSERT_EQ(out.Commit("saved.bin"), Platform::CommitResult::Committed);
  EXPECT_EQ(out.Path(), dir / "saved.bin");
  EXPECT_EQ(ReadFile(dir / "saved.bin"), "ab23489");
  EXPECT_EQ(out.Commit("again.bin"), Platform::CommitResult::Failed);
  EXPECT_FALSE(out.FailureText().empty());

  {
    Platform::OutputFile second;
    ASSERT_TRUE(second.Create(dir.Path()));
    ASSERT_TRUE(second.Write(BytesOf("other")));
    ASSERT_TRUE(second.Restart());
    EXPECT_EQ(second.BytesWritten(), 0u);
    ASSERT_TRUE(second.Write(BytesOf("x")));
    EXPECT_EQ(second.Commit("saved.bin"), Platform::CommitResult::NameTaken);
    EXPECT_EQ(ListNames(dir.Path()).size(), second.IsUnnamed() ? 2u : 3u);
  }
  EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"cache", "saved.bin"}));
  EXPECT_EQ(ReadFile(dir / "saved.bin"), "ab23489");
}

// A file written through Write and small copies is hashed as it goes, the same digest
// as over the whole bytes; a large copy (the kernel's) ends the digest, Restart starts
// it afresh.
TEST(OutputFile, DigestOfWhatPassesBy) {
  TempDir dir;
  const std::string big(Platform::OutputFile::DigestedCopyLimit + 1, 'x');
  WriteFile(dir / "cache", "0123456789" + big);
  Platform::ReadOnlyFile source;
  ASSERT_TRUE(source.Open(dir / "cache"));
  const auto whole = [](std::string_view text) {
    ContentDigest digest;
    digest.Update(BytesOf(text));
    return digest.Finish();
  };

  Platform::OutputFile out;
  ASSERT_TRUE(out.Create(dir.Path()));
  EXPECT_EQ(out.WrittenDigest(), std::nullopt);
  out.DigestWrites();
  ASSERT_TRUE(out.Write(BytesOf("ab")));
  EXPECT_EQ(out.CopyFrom(source, 2, 5), Platform::CopyResult::Ok);
  EXPECT_EQ(out.CopyFrom(source, 10 + big.size() - 2, 5), Platform::CopyResult::SourceEnded);
  EXPECT_EQ(out.WrittenDigest(), whole("ab23456xx"));
  ASSERT_TRUE(out.Restart());
  EXPECT_EQ(out.WrittenDigest(), whole(""));
  EXPECT_EQ(out.CopyFrom(source, 10, big.size()), Platform::CopyResult::Ok);
  EXPECT_EQ(out.WrittenDigest(), std::nullopt);
  ASSERT_EQ(out.Commit("big.bin"), Platform::CommitResult::Committed);
  EXPECT_EQ(ReadFile(dir / "big.bin"), big);
}

// Objects that hold no file refuse every call with a reason, and never touch a file.
TEST(FileObjects, CallsOnObjectsWithoutAFileFailWithAReason) {
  TempDir dir;
  std::array<std::byte, 4> buffer{};
  const Platform::ReadOnlyFile closedFile;
  EXPECT_EQ(closedFile.ReadAt(0, buffer.data(), buffer.size()), std::nullopt);
  EXPECT_FALSE(closedFile.FailureText().empty());
  EXPECT_EQ(closedFile.CurrentSizeAndTime(), std::nullopt);

  const Platform::OpenFolder closedFolder;
  EXPECT_EQ(closedFolder.ListFileNames(), std::nullopt);
  EXPECT_FALSE(closedFolder.FailureText().empty());
  Platform::ReadOnlyFile below;
  EXPECT_FALSE(below.OpenIn(closedFolder, "name"));
  Platform::OpenFolder folder;
  EXPECT_FALSE(folder.OpenIn(closedFolder, "name"));

  Platform::OutputFile notCreated;
  EXPECT_FALSE(notCreated.Write(BytesOf("x")));
  EXPECT_FALSE(notCreated.Restart());
  EXPECT_EQ(notCreated.CopyFrom(closedFile, 0, 1), Platform::CopyResult::DestinationFailed);
  EXPECT_EQ(notCreated.Commit("name"), Platform::CommitResult::Failed);

  Platform::OutputFile created;
  ASSERT_TRUE(created.Create(dir.Path()));
  EXPECT_EQ(created.CopyFrom(closedFile, 0, 1), Platform::CopyResult::SourceFailed);
  created.Discard();
  EXPECT_TRUE(ListNames(dir.Path()).empty());
  EXPECT_FALSE(created.Create(dir / "missing"));
  EXPECT_FALSE(created.FailureText().empty());
}

// Only temporaries whose writer is gone go: a running writer's (this process's), one
// without a writer's id, a folder of that name and other files stay.
TEST(OutputFile, StaleTemporariesGoAndLiveOnesStay) {
  TempDir dir;
  const auto temporary = [](const std::string& middle) {
    return std::string(Platform::OutputTemporaryPrefix) + middle +
           std::string(Platform::OutputTemporarySuffix);
  };
  // No system hands out a process id this high (Linux's pid_max is far below it).
  const std::string dead = temporary("4000000001-00ff");
  const std::string live = temporary(std::to_string(Platform::CurrentProcessId()) + "-00ff");
  const std::string noWriter = temporary("00000000000000ff");
  for (const std::string& name : {dead, live, noWriter}) WriteFile(dir / name, "a");
  WriteFile(dir / "picture.jpg", "c");
  ASSERT_TRUE(Platform::CreateFolder(dir / temporary("4000000002-1")));
  EXPECT_EQ(Platform::RemoveStaleOutputTemporaries(dir.Path()), 1);
  std::vector<std::string> left = ListNames(dir.Path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{noWriter, live, "picture.jpg"}));
  EXPECT_EQ(Platform::ListSubFolders(dir.Path()).value_or(std::vector<std::string>()).size(), 1u);
  EXPECT_EQ(Platform::RemoveStaleOutputTemporaries(dir / "missing"), 0);

  EXPECT_EQ(Platform::OutputTemporaryWriter(live), Platform::CurrentProcessId());
  for (const char* bad : {"-1", "0-1", "12a-1", "99999999999-1", "4294967296-1"}) {
    EXPECT_EQ(Platform::OutputTemporaryWriter(temporary(bad)), std::nullopt) << bad;
  }
}

// Another pass sweeping the folder while a file is written never takes that file: it
// commits whole.
TEST(OutputFile, SweepDuringAWriteLeavesTheWriteWhole) {
  TempDir dir;
  Platform::OutputFile out;
  ASSERT_TRUE(out.Create(dir.Path()));
  ASSERT_TRUE(out.Write(BytesOf("first half ")));
  EXPECT_EQ(Platform::RemoveStaleOutputTemporaries(dir.Path()), 0);
  ASSERT_TRUE(out.Write(BytesOf("second half")));
  ASSERT_TRUE(out.Finish());
  EXPECT_EQ(Platform::RemoveStaleOutputTemporaries(dir.Path()), 0);
  ASSERT_EQ(out.Commit("whole.txt"), Platform::CommitResult::Committed);
  EXPECT_EQ(ReadFile(dir / "whole.txt"), "first half second half");
  EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"whole.txt"});
}

// A replacement leaves the new text and no temporary; a copy never replaces a file.
TEST(Files, ReplacementIsWholeAndCopyNeverReplaces) {
  TempDir dir;
  ASSERT_TRUE(Platform::ReplaceFileAtomically(dir / "settings.cfg", "first"));
  ASSERT_TRUE(Platform::ReplaceFileAtomically(dir / "settings.cfg", "second"));
  EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"settings.cfg"});
  EXPECT_EQ(ReadFile(dir / "settings.cfg"), "second");
  EXPECT_FALSE(Platform::ReplaceFileAtomically(dir / "missing/settings.cfg", "x"));

  ASSERT_TRUE(Platform::CopyToNewFile(dir / "settings.cfg", dir / "copy.cfg"));
  EXPECT_EQ(ReadFile(dir / "copy.cfg"), "second");
  WriteFile(dir / "mine.cfg", "mine");
  EXPECT_FALSE(Platform::CopyToNewFile(dir / "settings.cfg", dir / "mine.cfg"));
  EXPECT_EQ(ReadFile(dir / "mine.cfg"), "mine");
  EXPECT_FALSE(Platform::CopyToNewFile(dir / "absent.cfg", dir / "new.cfg"));
  EXPECT_FALSE(Platform::PathExists(dir / "new.cfg"));
}
