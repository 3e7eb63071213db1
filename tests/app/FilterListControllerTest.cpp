#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "FakeViews.h"
#include "app/FilterListController.h"
#include "app/TrayMenuController.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "support/GatedSource.h"

using apptest::FakeListView;
using apptest::ListWindow;
using Strings = std::vector<std::string>;

namespace {

bool TitleMarked(const ListWindow& window) {
  return window.View.Title.size() >= 2 &&
         window.View.Title.compare(window.View.Title.size() - 2, 2, "*]") == 0;
}

class FilterList : public apptest::AppTest {};

}  // namespace

TEST_F(FilterList, MoveAndDeleteFollowTheSelection) {
  const Strings abc = {"a", "b", "c"};
  const struct {
    Strings List;
    const char* Command;
    int Selected;
    std::optional<Answer> Reply;
    Strings Expected;
    int SelectedAfter;
    bool Changed;
  } cases[] = {
      {abc, "up", -1, {}, abc, -1, false},
      {abc, "up", 0, {}, abc, 0, false},
      {abc, "up", 1, {}, {"b", "a", "c"}, 0, true},
      {abc, "down", -1, {}, abc, -1, false},
      {abc, "down", 2, {}, abc, 2, false},
      {abc, "down", 1, {}, {"a", "c", "b"}, 2, true},
      {abc, "delete", -1, {}, abc, -1, false},
      {abc, "delete", 1, Answer::No, abc, 1, false},
      {abc, "delete", 1, Answer::Yes, {"a", "c"}, 1, true},
      {abc, "delete", 2, Answer::Yes, {"a", "b"}, 1, true},
      {{"a"}, "delete", 0, Answer::Yes, {}, -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Command) + " with row " + std::to_string(c.Selected));
    UseFilterFile("list.flt", c.List);
    ListWindow window;
    window.View.SelectRow(c.Selected);
    if (c.Reply) window.View.Questions.Add(*c.Reply);
    const std::string command = c.Command;
    if (command == "up") window.List.Up();
    if (command == "down") window.List.Down();
    if (command == "delete") window.List.Delete();
    // The question names the filter by its kind and folder.
    const std::string selected =
        c.Selected >= 0 ? Platform::JoinPath(Path("out"), c.List[static_cast<size_t>(c.Selected)])
                        : std::string();
    EXPECT_EQ(window.View.Dialogs,
              c.Reply ? Strings{"ask: Delete this filter?\nJPG \u2192 " + selected} : Strings{});
    EXPECT_EQ(window.View.Stems(), c.Expected);
    EXPECT_EQ(window.View.Selected, c.SelectedAfter);
    EXPECT_EQ(window.List.IsChanged(), c.Changed);
    EXPECT_EQ(TitleMarked(window), c.Changed);
    auto filters = window.Engine->Filters();
    ASSERT_EQ(filters->Count(), static_cast<int>(c.Expected.size()));
    for (int i = 0; i < filters->Count(); ++i) {
      EXPECT_EQ(filters->GetAt(i)->FileNameDummy, c.Expected[static_cast<size_t>(i)]);
    }
  }
}

TEST_F(FilterList, AddInsertsAfterTheSelection) {
  const struct {
    int Selected;
    Strings Expected;
    int NewRow;
  } cases[] = {{-1, {"a", "b", "c", "new"}, 3},
               {0, {"a", "new", "b", "c"}, 1},
               {2, {"a", "b", "c", "new"}, 3}};
  UpdateSettings([](Settings& settings) {
    settings.DefaultCombPath = "~/Saved";
    settings.DefaultFileNameDummy = "stem";
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Selected);
    UseFilterFile("list.flt", {"a", "b", "c"});
    ListWindow window;
    window.View.SelectRow(c.Selected);
    // First the editor only looks at the new filter and is cancelled.
    FilterRecord shown;
    window.View.Editors.Add([&](FilterRecord& record) {
      shown = record;
      return false;
    });
    window.List.Add();
    EXPECT_EQ(shown.Directory, "~/Saved");
    EXPECT_EQ(shown.FileNameDummy, "stem");
    EXPECT_EQ(window.View.Dialogs, Strings{"edit: Add"});
    EXPECT_EQ(window.View.Stems().size(), 3u);
    EXPECT_FALSE(window.List.IsChanged());

    window.View.Editors.Add(FakeListView::Fill(Dir.Path(), "new", "x, y"));
    window.List.Add();
    EXPECT_TRUE(window.View.Editors.Empty());
    EXPECT_EQ(window.View.Stems(), c.Expected);
    EXPECT_EQ(window.View.Selected, c.NewRow);
    EXPECT_TRUE(window.List.IsChanged());
    EXPECT_EQ(window.Engine->Filters()->GetAt(c.NewRow)->UrlWords, (Strings{"x", "y"}));
  }
}

TEST_F(FilterList, EditWritesTheRecordBack) {
  UseFilterFile("list.flt", {"a", "b", "c"});
  ListWindow window;
  window.Engine->Filters()->GetAt(1)->ResolvedDirectory = "/resolved/by/a/capture";
  window.View.SelectRow(1);
  window.View.Editors.Add([](FilterRecord& record) {
    EXPECT_EQ(record.FileNameDummy, "b");
    record.ContentType = 3;
    record.URL = "cats, dogs";
    record.MinSize = 12000;
    record.ResolvedDirectory.clear();
    return true;
  });
  window.List.Edit();
  EXPECT_EQ(window.View.Dialogs, Strings{"edit: Edit"});
  EXPECT_EQ(window.View.Rows[1].Cells[1], "PNG");
  EXPECT_EQ(window.View.Rows[1].Cells[2], "12000");
  EXPECT_EQ(window.View.Rows[1].Cells[3], "cats, dogs");
  EXPECT_EQ(window.View.Selected, 1);
  EXPECT_TRUE(TitleMarked(window));
  auto filters = window.Engine->Filters();
  EXPECT_EQ(filters->GetAt(1)->ContentType, 3);
  EXPECT_EQ(filters->GetAt(1)->UrlWords, (Strings{"cats", "dogs"}));
  // What a capture wrote meanwhile is not the editor's to change.
  EXPECT_EQ(filters->GetAt(1)->ResolvedDirectory, "/resolved/by/a/capture");
}

TEST_F(FilterList, CheckBoxesMarkTheListChanged) {
  UseFilterFile("list.flt", {"a", "b", "c"});
  auto engine = apptest::MakeEngine();
  FakeListView view;
  FilterListController list(*engine, view);
  // Before the list is drawn a turned box is not the user's doing.
  EXPECT_FALSE(list.CheckRow(0, false));
  list.Start();
  EXPECT_FALSE(list.CheckRow(3, false));
  EXPECT_FALSE(list.IsChanged());
  EXPECT_TRUE(list.CheckRow(0, false));
  EXPECT_TRUE(list.IsChanged());
  EXPECT_TRUE(engine->Filters()->GetAt(0)->Disabled);

  list.SetAllChecks(true);
  EXPECT_FALSE(engine->Filters()->GetAt(0)->Disabled);
  list.SetAllChecks(false);
  for (const FilterRow& row : view.Rows) EXPECT_FALSE(row.Checked);
}

TEST_F(FilterList, ContextMenuItems) {
  UseFilterFile("list.flt", {"a", "b", "c"});
  ListWindow window;
  // Separators as empty texts.
  const auto texts = [&] {
    Strings result;
    for (const FilterListController::MenuEntry& entry : window.List.ListMenu()) {
      if (entry.SeparatorBefore) result.emplace_back();
      result.push_back(entry.Text);
    }
    return result;
  };
  EXPECT_EQ(texts(), (Strings{"Add", "", "Check All", "Uncheck All", "", "Save As"}));
  window.View.SelectRow(1);
  EXPECT_EQ(texts(), (Strings{"Add", "Delete", "Edit", "", "Up", "Down", "", "Open Folder", "",
                              "Check All", "Uncheck All", "", "Save As"}));
}

TEST_F(FilterList, OpenFolderOpensTheResolvedFolder) {
  UseFilterFile("list.flt", {"a", "b", "c"});
  ListWindow window;
  window.View.SelectRow(0);
  window.List.OpenFolder();
  // A filter added since the list was loaded has no resolved folder yet.
  window.View.Editors.Add(FakeListView::Fill(Dir.Path(), "new"));
  window.List.Add();
  window.List.OpenFolder();
  EXPECT_EQ(window.View.Opened, Strings{Platform::JoinPath(Path("out"), "a")});
}

TEST_F(FilterList, CommandsWaitWhileBusy) {
  UseFilterFile("list.flt", {"a"});
  ListWindow window;
  apptest::FakeTrayView trayView;
  TrayMenuController tray(*window.Engine, trayView);
  auto gate = std::make_shared<vorlane::test::GatedSource::Gate>();
  const std::string cache = Path("cache");
  window.Engine->SetSourceFactory(
      [gate, cache](int) { return std::make_unique<vorlane::test::GatedSource>(gate, cache, 2); });
  window.View.SelectRow(0);
  ASSERT_TRUE(window.Engine->StartCapture(Firefox));
  ASSERT_TRUE(apptest::WaitUntil([&] { return gate->Waiting.load(); }));

  // No dialog may open and nothing may change: the fake views fail on any dialog.
  window.List.New();
  window.List.Add();
  window.List.Edit();
  window.List.Delete();
  window.List.Down();
  window.List.SetAllChecks(false);
  tray.Options();
  tray.Help();
  EXPECT_TRUE(window.List.ListMenu().empty());
  EXPECT_TRUE(window.View.Dialogs.empty());
  EXPECT_TRUE(trayView.Calls.empty() && trayView.Opened.empty());
  EXPECT_FALSE(window.List.IsChanged());
  ASSERT_EQ(window.View.Rows.size(), 1u);
  EXPECT_TRUE(window.View.Rows[0].Checked);
  // Open Folder does not wait for the capture.
  window.List.OpenFolder();
  const std::string out = Platform::JoinPath(Path("out"), "a");
  EXPECT_EQ(window.View.Opened, Strings{out});

  gate->Release();
  EXPECT_TRUE(apptest::WaitUntil([&] { return !window.Engine->IsBusy(); }));
  EXPECT_EQ(vorlane::test::ListNames(out).size(), 2u);
}
