#pragma once

#include <string>
#include <vector>

#include "app/FilterListView.h"

class CQuellbyMain;

// The main window's filter list: what its commands do to the engine's filter set, the
// rows and the title the view shows, and the unsaved-change state with its question. A
// command that may not run during a capture does nothing at all while the engine is
// busy, without a message.
//
// UI thread only: a front end carries the engine's callbacks over to its UI thread
// before it calls a controller, so no controller ever needs a lock of its own.
class FilterListController {
 public:
  // The commands of the list's context menu.
  enum class ListCommand { Add, Delete, Edit, Up, Down, OpenFolder, CheckAll, UncheckAll, SaveAs };
  struct MenuEntry {
    ListCommand Command;
    std::string Text;
    bool SeparatorBefore = false;
  };

  FilterListController(CQuellbyMain& engine, FilterListView& view);

  // Start-up: the user's own filter file is put in use and loaded (else the default
  // one; when neither loads, after the core's message, a new list), then drawn.
  void Start();

  void New();
  void Open();
  void Save();
  void SaveAs();
  void Add();
  void Edit();
  void Delete();
  void Up();
  void Down();
  void SetAllChecks(bool enabled);
  // Opens the selected filter's folder; it changes nothing, so also during a capture.
  void OpenFolder();
  void Run(ListCommand command);
  // The user turned a row's check box; false when the change is not taken (the view
  // then shows the box as it was).
  bool CheckRow(int row, bool checked);
  // The context menu as it would open now: empty while busy, the row commands only
  // with a row selected.
  std::vector<MenuEntry> ListMenu() const;
  // The list's tooltip: the filter file's hint, "" for none.
  std::string Hint() const;
  // Draws every row again, the selection kept: after the language or One Copy changed.
  void Refresh();

  // With unsaved changes: asks whether to save them (Save, Don't Save, Cancel), and Save
  // saves. Returns whether the caller may go on: false after Cancel, and when the
  // changes were to be saved but were not (the chooser cancelled). After Don't Save they
  // stay unsaved, so the question comes again next time. A new list that is still empty
  // holds nothing to lose and is not asked about.
  bool SavePrompt();
  // At logout or shutdown, without asking: unsaved changes go to the file in use, else
  // to a recovery file beside it (beside the user's filters for a list without a file).
  // Returns the file written ("" when nothing needed saving or nothing could be written).
  std::string SaveForTermination();

  bool IsBusy() const;
  bool IsChanged() const { return Changed; }
  // Changed, and more than a new list that is still empty.
  bool HasChangesToSave() const;
  bool IsUntitled() const { return Untitled; }

 private:
  // Saves into the file in use (asks for one when there is none, or when `askFirst`,
  // and again when the file cannot be written). Returns whether the list was saved.
  bool SaveList(bool askFirst);
  void FillList();
  // Redraws the rows whose sign of a filter that never matches changed.
  void RedrawMarks();
  void UpdateTitle();
  void MarkChanged();

  CQuellbyMain& Engine;
  FilterListView& View;
  bool Changed = false;
  bool Untitled = false;
  // Check boxes turned before the list is first drawn are not the user's.
  bool ListReady = false;
  // The rows as the view shows them.
  std::vector<FilterRow> Drawn;
};
