#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/FilterRow.h"
#include "app/ViewTypes.h"
#include "engine/MessageSink.h"

struct FilterRecord;

// What the main window's filter list needs of a front end: rows with check boxes and
// at most one selected row, the window's title, and the modal dialogs of its commands.
// FilterListController calls it on the UI thread only.
class FilterListView {
 public:
  virtual ~FilterListView() = default;

  // Replaces every row; no row is selected afterwards.
  virtual void ShowRows(const std::vector<FilterRow>& rows) = 0;
  // Rewrites one row in place; the selection stays.
  virtual void ShowRow(int row, const FilterRow& content) = 0;
  // The selected row, -1 when none is.
  virtual int SelectedRow() const = 0;
  // Selects the row and makes it the current one.
  virtual void SelectRow(int row) = 0;
  virtual void ShowTitle(const std::string& title) = 0;
  // Draws every text of the window again in the current language (headers, tooltips,
  // menus), and the list's hint.
  virtual void ShowTexts() = 0;

  // A question with Yes and No and the exclamation icon.
  virtual Answer Ask(const std::string& question) = 0;
  // The question about unsaved changes: Save (Yes), Don't Save (No) and Cancel, where
  // closing the question or Esc is Cancel.
  virtual Answer AskToSave(const std::string& question) = 0;
  virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
  // A filter file (*.flt) to open or to save into, the chooser opening in `folder`;
  // nothing when the user cancels.
  virtual std::optional<std::string> ChooseFilterFile(FileChoice choice,
                                                      const std::string& folder) = 0;
  // The filter editor on `record`, titled `title`: true when it closed with OK, the
  // record then holding what the user entered.
  virtual bool EditFilter(FilterRecord& record, const std::string& title) = 0;
  // A folder or file opened with the desktop.
  virtual void Open(const std::string& target) = 0;
};
