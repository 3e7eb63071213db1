#include "FakeViews.h"

#include "platform/Paths.h"

namespace apptest {

std::vector<std::string> FakeListView::Stems() const {
  std::vector<std::string> stems;
  for (const FilterRow& row : Rows) stems.push_back(row.Cells[7]);
  return stems;
}

FakeListView::Editor FakeListView::Fill(const std::string& root, const std::string& stem,
                                        const std::string& url) {
  return [=](FilterRecord& record) {
    record.FileNameDummy = stem;
    record.URL = url;
    record.Directory = Platform::JoinPath(Platform::JoinPath(root, "out"), stem);
    return true;
  };
}

void FakeListView::ShowRows(const std::vector<FilterRow>& rows) {
  Rows = rows;
  Selected = -1;
}

void FakeListView::ShowRow(int row, const FilterRow& content) {
  ASSERT_GE(row, 0);
  ASSERT_LT(static_cast<size_t>(row), Rows.size());
  Rows[static_cast<size_t>(row)] = content;
}

void FakeListView::SelectRow(int row) {
  if (row >= 0 && static_cast<size_t>(row) < Rows.size()) Selected = row;
}

Answer FakeListView::Ask(const std::string& question) {
  Dialogs.push_back("ask: " + question);
  // An unexpected question fails the test and gets the answer that changes nothing.
  if (Questions.Empty()) ADD_FAILURE() << "no answer for " << question;
  return Questions.Empty() ? Answer::No : Questions.Next(question);
}

Answer FakeListView::AskToSave(const std::string& question) {
  Dialogs.push_back("ask to save: " + question);
  if (Questions.Empty()) ADD_FAILURE() << "no answer for " << question;
  return Questions.Empty() ? Answer::Cancel : Questions.Next(question);
}

void FakeListView::ShowMessage(MessageKind kind, const std::string& text) {
  Dialogs.push_back((kind == MessageKind::Error ? "error: " : "message: ") + text);
}

std::optional<std::string> FakeListView::ChooseFilterFile(FileChoice choice,
                                                          const std::string& folder) {
  Dialogs.push_back((choice == FileChoice::Open ? "open in: " : "save in: ") + folder);
  return Files.Next("a file chooser");
}

bool FakeListView::EditFilter(FilterRecord& record, const std::string& title) {
  Dialogs.push_back("edit: " + title);
  const Editor editor = Editors.Next("the editor");
  return editor && editor(record);
}

bool FakeTrayView::RunOptions() {
  Calls.push_back("options");
  if (!Options) ADD_FAILURE() << "the options dialog was not expected";
  return Options && Options();
}

}  // namespace apptest
