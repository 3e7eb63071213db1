#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppTestSupport.h"
#include "app/FilterListController.h"
#include "app/FilterListView.h"
#include "app/TrayMenuView.h"
#include "engine/FilterRecord.h"

namespace apptest {

// A filter list that keeps what it was told to show and answers its dialogs from the
// answers the test gave, recording every dialog in `Dialogs` ("ask: ...", "ask to save:
// ...", "save in: ...", "open in: ...", "edit: <title>", "error: ..."). Both questions
// take their answers from `Questions`.
class FakeListView : public FilterListView {
 public:
  using Editor = std::function<bool(FilterRecord& record)>;

  std::vector<FilterRow> Rows;
  int Selected = -1;
  std::string Title;
  int TextsShown = 0;
  std::vector<std::string> Dialogs;
  std::vector<std::string> Opened;
  Answers<Answer> Questions;
  Answers<std::optional<std::string>> Files;
  Answers<Editor> Editors;

  // The file-name column of every row.
  std::vector<std::string> Stems() const;
  // The editor's answer: fills in `stem`, `url` and a folder out/<stem> below `root`, OK.
  static Editor Fill(const std::string& root, const std::string& stem, const std::string& url = {});

  void ShowRows(const std::vector<FilterRow>& rows) override;
  void ShowRow(int row, const FilterRow& content) override;
  int SelectedRow() const override { return Selected; }
  void SelectRow(int row) override;
  void ShowTitle(const std::string& title) override { Title = title; }
  void ShowTexts() override { ++TextsShown; }
  Answer Ask(const std::string& question) override;
  Answer AskToSave(const std::string& question) override;
  void ShowMessage(MessageKind kind, const std::string& text) override;
  std::optional<std::string> ChooseFilterFile(FileChoice choice,
                                              const std::string& folder) override;
  bool EditFilter(FilterRecord& record, const std::string& title) override;
  void Open(const std::string& target) override { Opened.push_back(target); }
};

// The engine, a recording list and the controller between them, started.
struct ListWindow {
  std::unique_ptr<CQuellbyMain> Engine = MakeEngine();
  FakeListView View;
  FilterListController List{*Engine, View};
  ListWindow() { List.Start(); }
};

// A tray menu's window that records what the commands ask of it ("main window",
// "options", "about", "exit", "texts") and answers the options dialog as told.
class FakeTrayView : public TrayMenuView {
 public:
  std::vector<std::string> Calls;
  std::vector<std::string> Opened;
  // What the options dialog does before it closes with OK (true) or Cancel.
  std::function<bool()> Options;

  void ShowMainWindow() override { Calls.push_back("main window"); }
  bool RunOptions() override;
  void ShowAbout() override { Calls.push_back("about"); }
  void RequestExit() override { Calls.push_back("exit"); }
  void ShowTexts() override { Calls.push_back("texts"); }
  void Open(const std::string& target) override { Opened.push_back(target); }
};

}  // namespace apptest
