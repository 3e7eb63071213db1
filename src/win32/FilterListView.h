#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "win32/WinHeaders.h"

// The main window's filter list: a report list view with a check box per row and
// eight columns (the check box, then the filter's fields). It shows what it is given
// and tells which row's check box the user changed.
class FilterListView {
 public:
  static constexpr int ColumnCount = 8;
  struct Row {
    bool Enabled = true;
    // Columns 1 to 7 as they are shown, UTF-8.
    std::array<std::string, ColumnCount - 1> Cells;
  };
  using CheckHandler = std::function<void(int row, bool checked)>;

  // Takes over the list control: check boxes, full-row selection, grid lines, the
  // columns at their widths for the list's DPI.
  void Attach(HWND list);
  HWND Handle() const { return List; }
  // Column headers in the current language.
  void ApplyTexts();

  // Fills the list; each column then fits its header and its cells.
  void SetRows(const std::vector<Row>& rows);
  int RowCount() const;
  // The width of all columns together, in pixels.
  int ColumnsWidth() const;
  std::string CellText(int row, int column) const;
  bool IsChecked(int row) const;
  // -1 without a selection.
  int SelectedIndex() const;
  void Select(int row);
  void SetCheckHandler(CheckHandler handler) { OnCheck = std::move(handler); }

  // The list's notifications, forwarded by the window; true when handled.
  bool HandleNotify(const NMHDR& header);

 private:
  void FitColumns();

  HWND List = nullptr;
  // Filling the list changes check boxes too; those are no user's changes.
  bool Filling = false;
  CheckHandler OnCheck;
};
