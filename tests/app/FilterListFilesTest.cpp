#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "FakeViews.h"
#include "app/FilterListController.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "support/TestPlatform.h"

using apptest::FakeListView;
using apptest::ListWindow;
using vorlane::test::MessageRecorder;
using vorlane::test::PathOf;
using vorlane::test::ReadFile;
using Strings = std::vector<std::string>;

namespace {

std::string Title(const std::string& file, bool changed) {
  return "Vorlane - [" + file + (changed ? "*]" : "]");
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FilterFiles : public apptest::AppTest {};

}  // namespace

TEST_F(FilterFiles, NewOpenSaveAndTheSavePrompt) {
  const std::string list = UseFilterFile("list.flt", {"a", "b", "c"});
  ListWindow window;
  FakeListView& view = window.View;
  EXPECT_EQ(view.Title, Title(list, false));

  window.List.New();  // an unchanged list: no question
  EXPECT_TRUE(view.Dialogs.empty());
  EXPECT_EQ(view.Title, "Vorlane - [New Filter*]");
  EXPECT_TRUE(view.Rows.empty());

  const std::string saved = Path("saved.flt");
  view.Editors.Add(FakeListView::Fill(Dir.Path(), "one"));
  view.Files.Add(saved);
  window.List.Add();
  window.List.Save();  // untitled: Save As
  EXPECT_TRUE(view.Files.Empty());
  EXPECT_TRUE(Contains(ReadFile(saved), "FileNameDummy=one"));
  EXPECT_EQ(view.Title, Title(saved, false));

  // Open: the changed list is not saved on No, the chosen file replaces it.
  window.List.CheckRow(0, false);
  EXPECT_EQ(view.Title, Title(saved, true));
  view.Questions.Add(Answer::No);
  view.Files.Add(list);
  window.List.Open();
  EXPECT_TRUE(view.Questions.Empty() && view.Files.Empty());
  EXPECT_TRUE(Contains(ReadFile(saved), "Disabled=0"));
  EXPECT_EQ(view.Stems(), (Strings{"a", "b", "c"}));
  EXPECT_EQ(view.Title, Title(list, false));

  // Yes saves into the current file before New empties the list.
  window.List.CheckRow(2, false);
  view.Questions.Add(Answer::Yes);
  window.List.New();
  EXPECT_TRUE(view.Questions.Empty());
  EXPECT_TRUE(Contains(ReadFile(list), "[FILTER_2]\nContentType=1\nDisabled=1"));
  EXPECT_EQ(view.Title, "Vorlane - [New Filter*]");

  // The new list is empty: nothing to lose, no question. Once it holds a filter, Save
  // with the file chooser cancelled stops Open, which would lose the filter.
  view.Dialogs.clear();
  view.Editors.Add(FakeListView::Fill(Dir.Path(), "two"));
  window.List.Add();
  view.Questions.Add(Answer::Yes);
  view.Files.Add(std::nullopt);
  window.List.Open();
  ASSERT_EQ(view.Dialogs.size(), 3u);
  EXPECT_EQ(view.Dialogs[1], "ask to save: " + UiTexts::Get(UiTextKey::WarningChanged));
  EXPECT_EQ(view.Dialogs[2].rfind("save in: ", 0), 0u);
  EXPECT_EQ(view.Stems(), Strings{"two"});
  EXPECT_TRUE(window.List.IsChanged());
}

// Save, Don't Save and Cancel before each command that would drop the changes; Cancel
// (also the question's X and Esc) leaves the list, its file and its changes as they are.
TEST_F(FilterFiles, TheSaveQuestionsThreeAnswers) {
  const std::string list = UseFilterFile("list.flt", {"a", "b"});
  const std::string other = UseFilterFile("other.flt", {"x"});
  const struct {
    const char* Command;
    Answer Reply;
    bool GoesOn;  // what SavePrompt returns, and whether the command ran
    Strings StemsAfter;
    bool ChangedAfter;
    bool FileSaved;
  } cases[] = {
      {"exit", Answer::Cancel, false, {"a", "b"}, true, false},
      {"exit", Answer::No, true, {"a", "b"}, true, false},
      {"exit", Answer::Yes, true, {"a", "b"}, false, true},
      {"new", Answer::Cancel, false, {"a", "b"}, true, false},
      {"new", Answer::No, true, {}, true, false},
      {"open", Answer::Cancel, false, {"a", "b"}, true, false},
      {"open", Answer::No, true, {"x"}, false, false},
      {"open", Answer::Yes, true, {"x"}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Command) + " " + std::to_string(static_cast<int>(c.Reply)));
    UseFilterFile("list.flt", {"a", "b"});
    ListWindow window;
    FakeListView& view = window.View;
    window.List.CheckRow(1, false);
    view.Questions.Add(c.Reply);
    const std::string command = c.Command;
    bool wentOn = true;
    if (command == "exit") wentOn = window.List.SavePrompt();
    if (command == "new") {
      window.List.New();
      wentOn = view.Rows.empty();
    }
    if (command == "open") {
      if (c.GoesOn) view.Files.Add(other);
      window.List.Open();
      wentOn = view.Dialogs.back().rfind("open in: ", 0) == 0;
    }
    EXPECT_EQ(view.Dialogs.front(), "ask to save: " + UiTexts::Get(UiTextKey::WarningChanged));
    EXPECT_EQ(wentOn, c.GoesOn);
    EXPECT_EQ(view.Stems(), c.StemsAfter);
    EXPECT_EQ(window.List.IsChanged(), c.ChangedAfter);
    EXPECT_EQ(Contains(ReadFile(list), "Disabled=1"), c.FileSaved);
  }
  // A new list that is still empty is never asked about, nor recovered at logout.
  UseFilterFile("list.flt", {"a"});
  ListWindow window;
  window.List.CheckRow(0, false);
  window.View.Questions.Add(Answer::No);
  window.List.New();
  window.View.Dialogs.clear();
  window.List.New();
  EXPECT_TRUE(window.List.SavePrompt());
  EXPECT_EQ(window.List.SaveForTermination(), "");
  window.View.Files.Add(other);
  window.List.Open();
  EXPECT_EQ(window.View.Dialogs.size(), 1u);
  EXPECT_EQ(window.View.Stems(), Strings{"x"});
}

TEST_F(FilterFiles, UnwritableFileIsSavedElsewhere) {
  const std::string list = UseFilterFile("list.flt", {"a", "b", "c"});
  ListWindow window;
  // A folder where the file was: no write can replace it, whoever runs the test.
  std::filesystem::remove(PathOf(list));
  std::filesystem::create_directory(PathOf(list));
  window.List.SetAllChecks(false);
  const std::string elsewhere = Path("elsewhere.flt");
  window.View.Files.Add(elsewhere);
  window.List.Save();
  EXPECT_TRUE(window.View.Files.Empty());
  ASSERT_EQ(window.View.Dialogs.size(), 2u);
  EXPECT_TRUE(Contains(window.View.Dialogs[0], "error: ") &&
              Contains(window.View.Dialogs[0], list));
  EXPECT_TRUE(Contains(ReadFile(elsewhere), "Disabled=1"));
  EXPECT_EQ(window.View.Title, Title(elsewhere, false));
}

TEST_F(FilterFiles, SaveAsAndOpenFailures) {
  const std::string list = UseFilterFile("list.flt", {"a", "b", "c"});
  const std::string before = ReadFile(list);
  ListWindow window;
  FakeListView& view = window.View;
  window.List.SetAllChecks(false);
  const std::string bad = Path("bad.flt");
  vorlane::test::WriteFile(bad, "this is no filter file\n");
  // Cancelled Save As writes nothing; an unreadable file to Open leaves the list as it is.
  view.Files.Add(std::nullopt);
  window.List.SaveAs();
  view.Questions.Add(Answer::No);
  view.Files.Add(bad);
  window.List.Open();
  EXPECT_EQ(view.Dialogs.back(), "error: Can't load the filter from:\n" + bad);
  EXPECT_EQ(view.Stems(), (Strings{"a", "b", "c"}));
  EXPECT_EQ(view.Title, Title(list, true));

  const std::string other = Path("other.flt");
  view.Files.Add(other);
  window.List.SaveAs();
  EXPECT_TRUE(view.Files.Empty());
  EXPECT_TRUE(Contains(ReadFile(other), "Disabled=1"));
  EXPECT_EQ(view.Title, Title(other, false));
  // From now on Save goes to the file Save As chose.
  window.List.SetAllChecks(true);
  window.List.Save();
  EXPECT_TRUE(Contains(ReadFile(other), "Disabled=0"));
  EXPECT_EQ(ReadFile(list), before);
}

TEST_F(FilterFiles, StartWithoutAnyFilterFile) {
  Places places = ProgramPlaces();
  places.DefaultFilterPath = Path("missing/Default.flt");
  SetProgramPlaces(places);
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = Path("nonexistent.flt"); });
  MessageRecorder messages;
  ListWindow window;
  EXPECT_EQ(messages.Texts(), Strings{"Can't load default filter."});
  EXPECT_EQ(window.View.Title, "Vorlane - [New Filter*]");
  // New marked the list changed; it is empty, so hiding the window asks nothing until a
  // filter is added.
  EXPECT_TRUE(window.List.SavePrompt());
  window.View.Editors.Add(FakeListView::Fill(Dir.Path(), "one"));
  window.List.Add();
  window.View.Questions.Add(Answer::No);
  EXPECT_TRUE(window.List.SavePrompt());
  EXPECT_EQ(window.View.Dialogs,
            (Strings{"edit: Add", "ask to save: " + UiTexts::Get(UiTextKey::WarningChanged)}));
  EXPECT_TRUE(window.List.IsChanged());
}

TEST_F(FilterFiles, TheDefaultFiltersInUseAreTheUsersCopy) {
  // The shipped filters of an installed program lie in a folder the user cannot write.
  const std::string shipped = ProgramPlaces().DefaultFilterPath;
  const std::filesystem::path folder = PathOf(Platform::ParentFolder(shipped));
  const std::string original = ReadFile(shipped);
  const std::string copy = UserFilterPath();
  using std::filesystem::perms;
  if (!Platform::RunningOnWindows) {
    std::filesystem::permissions(folder, perms::owner_read | perms::owner_exec);
    std::filesystem::permissions(PathOf(shipped), perms::owner_read);
  }
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = shipped; });
  {
    ListWindow window;
    EXPECT_EQ(window.View.Title, Title(copy, false));
    window.List.SetAllChecks(false);
    window.List.Save();
    EXPECT_TRUE(window.View.Dialogs.empty());  // no error, no chooser
  }
  EXPECT_TRUE(Contains(ReadFile(copy), "Disabled=1"));
  EXPECT_EQ(ReadFile(shipped), original);
  // The next start, told of the shipped file again, keeps the user's edits.
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = shipped; });
  ListWindow next;
  ASSERT_FALSE(next.View.Rows.empty());
  EXPECT_FALSE(next.View.Rows[0].Checked);
  std::filesystem::permissions(folder, perms::owner_all);
  std::filesystem::permissions(PathOf(shipped), perms::owner_read | perms::owner_write);
}
