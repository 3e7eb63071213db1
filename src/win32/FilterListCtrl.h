#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/FilterRow.h"
#include "win32/OwnedHandle.h"
#include "win32/WinHeaders.h"

// The main window's filter list: a report list view with a check box per row and
// eight columns (the check box, then the filter's fields). It shows what it is given
// and tells which row's check box the user changed. A filter that never matches gets a
// warning sign before its content type and its reason as the row's tooltip.
class FilterListCtrl {
 public:
  static constexpr int ColumnCount = FilterRow::ColumnCount;
  // False refuses the change: the box goes back to how it was.
  using CheckHandler = std::function<bool(int row, bool checked)>;

  // Takes over the list control: check boxes, full-row selection, grid lines, the
  // columns at their widths for the list's DPI.
  void Attach(HWND list);
  HWND Handle() const { return List; }
  // Column headers in the current language.
  void ApplyTexts();

  // Fills the list; each column then fits its header and its cells.
  void SetRows(const std::vector<FilterRow>& rows);
  // Rewrites one row in place; the selection stays.
  void SetRow(int row, const FilterRow& content);
  // The columns' widths in pixels, and widths kept from an earlier run (0: fitted).
  std::vector<int> ColumnWidths() const;
  void KeepColumnWidths(std::vector<int> widths);
  int RowCount() const;
  // The width of all columns together, in pixels.
  int ColumnsWidth() const;
  std::string CellText(int row, int column) const;
  // The row's tooltip ("" for none) and whether its sign shows.
  std::string RowTip(int row) const;
  bool HasSign(int row) const;
  bool IsChecked(int row) const;
  // -1 without a selection.
  int SelectedIndex() const;
  void Select(int row);
  void SetCheckHandler(CheckHandler handler) { OnCheck = std::move(handler); }

  // The list's notifications, forwarded by the window; true when handled.
  bool HandleNotify(const NMHDR& header);

 private:
  void FitColumns();
  void WriteCells(int row, const FilterRow& content);

  HWND List = nullptr;
  // Filling the list changes check boxes too; those are no user's changes.
  bool Filling = false;
  CheckHandler OnCheck;
  // Widths the user gave the columns in an earlier run; each column is at least this wide.
  std::vector<int> KeptWidths;
  // The signs' artwork, and each row's tooltip.
  ImageListHandle Signs;
  std::vector<std::wstring> RowTips;
};
