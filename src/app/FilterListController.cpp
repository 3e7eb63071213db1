#include "app/FilterListController.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "app/ProgramInfo.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "engine/OutputFolders.h"
#include "platform/Files.h"
#include "platform/Paths.h"

FilterListController::FilterListController(CQuellbyMain& engine, FilterListView& view)
    : Engine(engine), View(view) {}

void FilterListController::Start() {
  SelectUserFilterFile();
  if (!Engine.LoadStartupFilterFile()) New();
  FillList();
  UpdateTitle();
  ListReady = true;
}

bool FilterListController::IsBusy() const {
  return Engine.IsBusy();
}

void FilterListController::FillList() {
  std::vector<FilterRow> rows;
  {
    auto filters = Engine.Filters();
    rows = FilterRow::AllOf(*filters);
  }
  View.ShowRows(rows);
  Drawn = std::move(rows);
}

void FilterListController::RedrawMarks() {
  std::vector<FilterRow> rows;
  {
    auto filters = Engine.Filters();
    rows = FilterRow::AllOf(*filters);
  }
  if (rows.size() != Drawn.size()) {
    Refresh();
    return;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i] != Drawn[i]) View.ShowRow(static_cast<int>(i), rows[i]);
  }
  Drawn = std::move(rows);
}

void FilterListController::Refresh() {
  const int selected = View.SelectedRow();
  FillList();
  if (selected >= 0) View.SelectRow(selected);
  UpdateTitle();
}

void FilterListController::UpdateTitle() {
  const std::string file =
      Untitled ? UiTexts::Get(UiTextKey::NewFilter) : CurrentSettings().FiltersFileName;
  View.ShowTitle(std::string(ProgramInfo::Name) + " - [" + file + (Changed ? "*" : "") + "]");
}

void FilterListController::MarkChanged() {
  Changed = true;
  UpdateTitle();
}

std::string FilterListController::Hint() const {
  return Engine.Filters()->GetHint();
}

// ---- Files ---------------------------------------------------------------------------

bool FilterListController::HasChangesToSave() const {
  return Changed && !(Untitled && Engine.Filters()->Count() == 0);
}

bool FilterListController::SavePrompt() {
  if (!HasChangesToSave()) return true;
  switch (View.AskToSave(UiTexts::Get(UiTextKey::WarningChanged))) {
    case Answer::Yes:
      return SaveList(false);
    case Answer::No:
      return true;
    case Answer::Cancel:
      break;
  }
  return false;
}

bool FilterListController::SaveList(bool askFirst) {
  std::string target = Untitled || askFirst ? std::string() : CurrentSettings().FiltersFileName;
  // A list without a file, or whose file cannot be written, is saved where the user
  // chooses.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (target.empty()) {
      const std::string current = CurrentSettings().FiltersFileName;
      const std::string start = Untitled || current.empty() ? UserFilterPath() : current;
      const std::optional<std::string> chosen =
          View.ChooseFilterFile(FileChoice::Save, Platform::ParentFolder(start));
      if (!chosen || chosen->empty()) return false;
      target = *chosen;
    }
    if (Engine.Filters()->Save(target)) {
      Untitled = false;
      Changed = false;
      UpdateTitle();
      return true;
    }
    UpdateTitle();
    View.ShowMessage(MessageKind::Error,
                     ComposeMessage({UiTextKey::ErrorSaveFilter, {}, target, {}}));
    target.clear();
  }
  return false;
}

std::string FilterListController::SaveForTermination() {
  if (!HasChangesToSave()) return {};
  const std::string current = Untitled ? std::string() : CurrentSettings().FiltersFileName;
  std::vector<std::string> targets;
  if (!current.empty()) targets.push_back(current);
  // Beside the file in use, else beside the user's filters: never over a file of its own.
  const std::string beside = current.empty() ? UserFilterPath() : current;
  if (!beside.empty()) {
    const std::string stem = Platform::JoinPath(Platform::ParentFolder(beside), "Recovered");
    for (int i = 0; i < 100; ++i) {
      const std::string candidate =
          stem + (i == 0 ? std::string() : "-" + std::to_string(i)) + ".flt";
      if (!Platform::PathExists(candidate)) {
        targets.push_back(candidate);
        break;
      }
    }
  }
  for (const std::string& target : targets) {
    Platform::CreateFolderTree(Platform::ParentFolder(target));
    if (!Engine.Filters()->Save(target)) continue;
    Changed = false;
    Untitled = false;
    return target;
  }
  return {};
}

void FilterListController::New() {
  if (IsBusy() || !SavePrompt()) return;
  Engine.Filters()->Clear();
  FillList();
  Changed = true;
  Untitled = true;
  View.ShowTexts();
  UpdateTitle();
}

void FilterListController::Open() {
  if (IsBusy() || !SavePrompt()) return;
  const std::string current = CurrentSettings().FiltersFileName;
  const std::optional<std::string> chosen = View.ChooseFilterFile(
      FileChoice::Open, Platform::ParentFolder(current.empty() ? UserFilterPath() : current));
  if (!chosen || chosen->empty()) return;
  // A file that cannot be read leaves the list in use as it was.
  if (CCacheFilter probe; !probe.ReadFilterFile(*chosen)) {
    View.ShowMessage(MessageKind::Error,
                     ComposeMessage({UiTextKey::ErrorLoadFilter, {}, *chosen, {}}));
    return;
  }
  Engine.Filters()->Load(*chosen);
  FillList();
  Untitled = false;
  Changed = false;
  View.ShowTexts();
  UpdateTitle();
}

void FilterListController::Save() {
  if (IsBusy()) return;
  SaveList(false);
  UpdateTitle();
}

void FilterListController::SaveAs() {
  if (IsBusy()) return;
  SaveList(true);
  UpdateTitle();
}

// ---- Rows ----------------------------------------------------------------------------

void FilterListController::Add() {
  if (IsBusy()) return;
  FilterRecord record;
  const Settings settings = CurrentSettings();
  record.Directory = settings.DefaultCombPath;
  record.FileNameDummy = settings.DefaultFileNameDummy;
  if (!View.EditFilter(record, UiTexts::Get(UiTextKey::Add))) return;
  const int selected = View.SelectedRow();
  const int position = selected >= 0 ? selected + 1 : -1;
  int row = 0;
  {
    auto filters = Engine.Filters();
    row = filters->Insert(std::make_unique<FilterRecord>(std::move(record)), position)->Position;
  }
  FillList();
  View.SelectRow(row);
  MarkChanged();
}

void FilterListController::Edit() {
  if (IsBusy()) return;
  const int row = View.SelectedRow();
  if (row < 0) return;
  // The editor works on a copy: the set's lock is never held while a dialog runs.
  FilterRecord copy;
  {
    auto filters = Engine.Filters();
    const FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    copy = *record;
  }
  if (!View.EditFilter(copy, UiTexts::Get(UiTextKey::Edit))) return;
  {
    auto filters = Engine.Filters();
    FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    // ResolvedDirectory stays: a capture may have written it meanwhile.
    record->Directory = copy.Directory;
    record->ContentType = copy.ContentType;
    record->MinSize = copy.MinSize;
    record->URL = copy.URL;
    record->MinWidth = copy.MinWidth;
    record->MinHeight = copy.MinHeight;
    record->FileNameDummy = copy.FileNameDummy;
    filters->UpdateUrlWords(*record);
  }
  // The edit may also mark or clear the rows below it.
  FillList();
  View.SelectRow(row);
  MarkChanged();
}

void FilterListController::Delete() {
  if (IsBusy()) return;
  const int row = View.SelectedRow();
  if (row < 0) return;
  std::string filter;
  {
    auto filters = Engine.Filters();
    const FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    filter = DescribeFilter(*record);
  }
  if (View.Ask(UiTexts::Get(UiTextKey::WarningDeleteFilter) + "\n" + filter) != Answer::Yes) {
    return;
  }
  int count = 0;
  {
    auto filters = Engine.Filters();
    filters->Remove(row);
    count = filters->Count();
  }
  FillList();
  if (count > 0) View.SelectRow(std::min(row, count - 1));
  MarkChanged();
}

void FilterListController::Up() {
  if (IsBusy()) return;
  const int row = View.SelectedRow();
  if (row <= 0) return;
  Engine.Filters()->MoveUp(row);
  FillList();
  View.SelectRow(row - 1);
  MarkChanged();
}

void FilterListController::Down() {
  if (IsBusy()) return;
  const int row = View.SelectedRow();
  if (row < 0) return;
  {
    auto filters = Engine.Filters();
    if (row >= filters->Count() - 1) return;
    filters->MoveDown(row);
  }
  FillList();
  View.SelectRow(row + 1);
  MarkChanged();
}

void FilterListController::SetAllChecks(bool enabled) {
  if (IsBusy()) return;
  {
    auto filters = Engine.Filters();
    for (int i = 0; i < filters->Count(); ++i) filters->GetAt(i)->Disabled = !enabled;
  }
  FillList();
  MarkChanged();
}

bool FilterListController::CheckRow(int row, bool checked) {
  if (!ListReady) return false;
  {
    auto filters = Engine.Filters();
    FilterRecord* record = filters->GetAt(row);
    if (!record) return false;
    record->Disabled = !checked;
  }
  if (static_cast<size_t>(row) < Drawn.size()) Drawn[static_cast<size_t>(row)].Checked = checked;
  RedrawMarks();
  MarkChanged();
  return true;
}

void FilterListController::OpenFolder() {
  const int row = View.SelectedRow();
  if (row < 0) return;
  std::string folder;
  {
    auto filters = Engine.Filters();
    const FilterRecord* record = filters->GetAt(row);
    if (!record) return;
    folder = FolderAboveEntryTokens(record->ResolvedDirectory);
  }
  if (!folder.empty()) View.Open(folder);
}

// ---- Context menu --------------------------------------------------------------------

std::vector<FilterListController::MenuEntry> FilterListController::ListMenu() const {
  if (IsBusy()) return {};
  const auto entry = [](ListCommand command, UiTextKey text, bool separatorBefore = false) {
    return MenuEntry{command, UiTexts::Get(text), separatorBefore};
  };
  std::vector<MenuEntry> menu = {entry(ListCommand::Add, UiTextKey::Add)};
  if (View.SelectedRow() >= 0) {
    menu.push_back(entry(ListCommand::Delete, UiTextKey::Delete));
    menu.push_back(entry(ListCommand::Edit, UiTextKey::Edit));
    menu.push_back(entry(ListCommand::Up, UiTextKey::Up, true));
    menu.push_back(entry(ListCommand::Down, UiTextKey::Down));
    menu.push_back(entry(ListCommand::OpenFolder, UiTextKey::OpenFolder, true));
  }
  menu.push_back(entry(ListCommand::CheckAll, UiTextKey::CheckAll, true));
  menu.push_back(entry(ListCommand::UncheckAll, UiTextKey::UncheckAll));
  menu.push_back(entry(ListCommand::SaveAs, UiTextKey::SaveAs, true));
  return menu;
}

void FilterListController::Run(ListCommand command) {
  switch (command) {
    case ListCommand::Add:
      return Add();
    case ListCommand::Delete:
      return Delete();
    case ListCommand::Edit:
      return Edit();
    case ListCommand::Up:
      return Up();
    case ListCommand::Down:
      return Down();
    case ListCommand::OpenFolder:
      return OpenFolder();
    case ListCommand::CheckAll:
      return SetAllChecks(true);
    case ListCommand::UncheckAll:
      return SetAllChecks(false);
    case ListCommand::SaveAs:
      return SaveAs();
  }
}
