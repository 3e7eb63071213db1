#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/FilterEditorController.h"
#include "app/FilterRow.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "platform/System.h"

using Strings = std::vector<std::string>;

namespace {

// An editor whose fields the test types into; it records each refusal with the field
// the cursor went to.
class FakeEditorView : public FilterEditorView {
 public:
  FilterFields Current;
  Strings Refusals;
  FilterFields::Field Focus = FilterFields::ContentType;
  bool Selected = false;
  Strings Choosers;
  apptest::Answers<std::optional<std::string>> Folders;

  FilterFields Fields() const override { return Current; }
  void ShowFields(const FilterFields& fields) override { Current = fields; }
  void ShowFolder(const std::string& folder) override { Current.FolderText = folder; }
  void Refuse(const std::string& message, FilterFields::Field field, bool selectText) override {
    Refusals.push_back(message);
    Focus = field;
    Selected = selectText;
  }
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override {
    Choosers.push_back(title + " at " + start);
    return Folders.Next("a folder chooser");
  }
  void Open(const std::string&) override {}
};

class FilterEditor : public apptest::AppTest {
 protected:
  FilterRecord SampleRecord() const {
    FilterRecord record;
    record.ContentType = 17;
    record.MinSize = 5;
    record.URL = "old";
    record.MinWidth = 1;
    record.MinHeight = 2;
    record.Directory = Path("Old");
    record.FileNameDummy = "old";
    return record;
  }
};

}  // namespace

TEST_F(FilterEditor, ShowsTheKindsInListOrder) {
  Strings kinds;
  for (const auto& choice : FilterEditorController::KindChoices()) kinds.push_back(choice.Text);
  EXPECT_EQ(kinds,
            (Strings{"ALL", "Every Picture", "Every Audio", "Every Video", "JPG",  "GIF", "PNG",
                     "BMP", "ICO",           "FLV",         "MPG",         "WMV",  "SWF", "MP3",
                     "MP4", "WAV",           "PDF",         "PLAIN",       "HTML", "XML", "CSS",
                     "JS",  "ZIP",           "WEBP",        "AVIF",        "HEIC", "JXL", "WEBM",
                     "OGG", "M4A",           "FLAC",        "WOFF",        "WASM"}));
  FilterRecord record = SampleRecord();
  FakeEditorView view;
  FilterEditorController(record, view).Load();
  EXPECT_EQ(KindText(view.Current.Kind), "MPG");
  EXPECT_EQ(view.Current.MinHeightText, "2");
  EXPECT_EQ(view.Current.FolderText, Path("Old"));
  record.ContentType = 42;
  FilterEditorController(record, view).Load();
  EXPECT_EQ(KindText(view.Current.Kind), "ALL");
}

TEST_F(FilterEditor, KeepsGroupsAndNewKindsByCode) {
  const std::pair<KindCode, const char*> cases[] = {{100, "Alle Bilder"}, {101, "Every Audio"},
                                                    {102, "Every Video"}, {20, "WEBP"},
                                                    {29, "WASM"},         {11, "JS"}};
  // A translated group text is no kind word: the code travels with the entry.
  UiTexts::Set(UiTextKey::FilterListEveryPicture, "Alle Bilder");
  for (const auto& [code, shown] : cases) {
    SCOPED_TRACE(shown);
    FilterRecord record = SampleRecord();
    record.ContentType = code;
    FakeEditorView view;
    FilterEditorController editor(record, view);
    editor.Load();
    EXPECT_EQ(KindText(view.Current.Kind), shown);
    EXPECT_EQ(view.Current.Kind, code);
    record.ContentType = 0;
    EXPECT_TRUE(editor.Accept());
    EXPECT_EQ(record.ContentType, code);
    // The main window's list shows the same text, in the current language.
    EXPECT_EQ(FilterRow::Of(record).Cells[1], shown);
  }
}

TEST_F(FilterEditor, FolderCheck) {
  vorlane::test::WriteFile(Path("a-file"), "x");
  const std::string notAbsolute = UiTexts::Get(UiTextKey::ErrorDirectoryNotAbsolute);
  std::vector<std::pair<std::string, std::string>> cases = {
      {"", notAbsolute},
      {"pictures/cats", notAbsolute},
      {Platform::JoinPath(Path("a-file"), "pictures"),
       "The folder can't be created there: a file is in the way."},
      {Platform::JoinPath(Path("new"), "folder"), ""},
  };
  if (Platform::RunningOnWindows) {
    cases.push_back({"C:\\", UiTexts::Get(UiTextKey::ErrorDirectoryIsRoot)});
  } else {
    cases.push_back({"/", "The root folder itself can't be the output folder."});
    cases.push_back({"\\\\server\\share", notAbsolute});
    cases.push_back({"~/VOR_SAVES/%DATE%", ""});
  }
  for (const auto& [folder, reason] : cases) {
    SCOPED_TRACE(folder);
    FilterRecord record = SampleRecord();
    FakeEditorView view;
    FilterEditorController editor(record, view);
    editor.Load();
    view.Current.Kind = 15;
    view.Current.MinSizeText = "  12kB";
    view.Current.UrlText = "a,b";
    view.Current.FolderText = folder;
    view.Current.FileNameText = "new";
    const bool accepted = editor.Accept();
    EXPECT_EQ(accepted, reason.empty());
    if (accepted) {
      EXPECT_TRUE(view.Refusals.empty());
      EXPECT_EQ(record.Directory, folder);
      EXPECT_EQ(record.ContentType, 15);
      EXPECT_EQ(record.MinSize, 12000);
      EXPECT_EQ(record.URL, "a,b");
      EXPECT_EQ(record.FileNameDummy, "new");
      continue;
    }
    // What is wrong, then why; the cursor goes to the folder.
    EXPECT_EQ(view.Refusals,
              Strings{"The folder path is wrong. Please, select a correct path.\n" + reason});
    EXPECT_EQ(view.Focus, FilterFields::Folder);
    const FilterRecord untouched = SampleRecord();
    EXPECT_EQ(record.Directory, untouched.Directory);
    EXPECT_EQ(record.ContentType, untouched.ContentType);
    EXPECT_EQ(record.MinSize, untouched.MinSize);
    EXPECT_EQ(record.URL, untouched.URL);
  }
}

TEST_F(FilterEditor, ChecksSizesAndThePixelTest) {
  const std::string size = UiTexts::Get(UiTextKey::ErrorMinSize);
  const std::string pixels = UiTexts::Get(UiTextKey::HintPixelTest);
  const struct {
    const char *MinSize, *Width, *Height;
    int Stored;  // -1: refused with `Message`, the cursor in `Field` with its text selected
    std::string Message;
    FilterFields::Field Field;
  } cases[] = {
      {"10 KB", "200", "200", 10000, {}, FilterFields::MinSize},
      {"1.5 MiB", "0", "0", 1572864, {}, FilterFields::MinSize},
      {"", "0", "0", 0, {}, FilterFields::MinSize},
      {"ten KB", "0", "0", -1, size, FilterFields::MinSize},
      {"-12", "0", "0", -1, size, FilterFields::MinSize},
      {"0", "200", "0", -1, pixels, FilterFields::MinHeight},
      {"0", "", "150", -1, pixels, FilterFields::MinWidth},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.MinSize) + " " + c.Width + "x" + c.Height);
    FilterRecord record = SampleRecord();
    FakeEditorView view;
    FilterEditorController editor(record, view);
    editor.Load();
    view.Current.MinSizeText = c.MinSize;
    view.Current.MinWidthText = c.Width;
    view.Current.MinHeightText = c.Height;
    EXPECT_EQ(editor.Accept(), c.Stored >= 0);
    EXPECT_EQ(view.Refusals, c.Stored >= 0 ? Strings{} : Strings{c.Message});
    EXPECT_EQ(record.MinSize, c.Stored >= 0 ? c.Stored : SampleRecord().MinSize);
    if (c.Stored < 0) {
      EXPECT_EQ(view.Focus, c.Field);
      EXPECT_TRUE(view.Selected);
    }
  }
}

TEST_F(FilterEditor, Numbers) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12abc", 12},
      {"abc", 0},
      {" \t-5", -5},
      {"+7", 7},
      {"-", 0},
      {"99999999999", std::numeric_limits<int32_t>::max()},
      {"-99999999999", std::numeric_limits<int32_t>::min()},
      {"2147483647", std::numeric_limits<int32_t>::max()}};
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(FilterEditorController::LeadingInteger(text), value) << text;
  }
}

TEST_F(FilterEditor, BrowseReplacesTheFolderOnlyWhenOneIsPicked) {
  FilterRecord record = SampleRecord();
  FakeEditorView view;
  FilterEditorController editor(record, view);
  editor.Load();
  // A folder not made yet opens the chooser at its nearest existing parent.
  view.Current.FolderText = Platform::JoinPath(Path("not-yet"), "made");
  view.Folders.Add(std::nullopt);
  editor.BrowseFolder();
  EXPECT_EQ(view.Current.FolderText, Platform::JoinPath(Path("not-yet"), "made"));
  view.Folders.Add(Path("picked"));
  editor.BrowseFolder();
  EXPECT_EQ(view.Current.FolderText, Path("picked"));
  const std::string title = "Choose the folder for this filter's files";
  EXPECT_EQ(view.Choosers, Strings(2, title + " at " + Dir.Path()));
  EXPECT_EQ(record.Directory, Path("Old"));  // only OK writes the record
}
