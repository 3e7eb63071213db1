#include "win32/FilterListCtrl.h"

#include <algorithm>

#include "config/UiTexts.h"
#include "win32/WideText.h"

namespace {

struct Column {
  UiTextKey Header;
  int Width;  // pixels at 96 dpi
};
constexpr std::array<Column, FilterListCtrl::ColumnCount> kColumns{{
    {UiTextKey::FilterListEnabled, 26},
    {UiTextKey::FilterListContentType, 50},
    {UiTextKey::FilterListMinSize, 50},
    {UiTextKey::FilterListURL, 210},
    {UiTextKey::FilterListMinWidth, 40},
    {UiTextKey::FilterListMinHeight, 40},
    {UiTextKey::FilterListDirectory, 150},
    {UiTextKey::FilterListFileNameDummy, 63},
}};

// A column never grows past this (at 96 dpi): a long folder is cut rather than pushing
// the other columns away.
constexpr int kWidestColumn = 300;

// The check state from a row's state-image bits: image 2 is checked, 1 or none not.
bool CheckedState(UINT state) {
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

}  // namespace

void FilterListCtrl::Attach(HWND list) {
  List = list;
  const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                         LVS_EX_DOUBLEBUFFER | LVS_EX_SUBITEMIMAGES | LVS_EX_INFOTIP;
  ListView_SetExtendedListViewStyleEx(List, extended, extended);
  // The list keeps its own reference only with LVS_SHAREIMAGELISTS, which it has: the
  // image list is this object's, destroyed with it.
  ::SetWindowLongPtrW(List, GWL_STYLE, ::GetWindowLongPtrW(List, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  const int icon = ::GetSystemMetricsForDpi(SM_CXSMICON, ::GetDpiForWindow(List));
  Signs.Reset(::ImageList_Create(icon, icon, ILC_COLOR32 | ILC_MASK, 1, 0));
  ::ImageList_ReplaceIcon(Signs.Get(), -1, ::LoadIconW(nullptr, IDI_WARNING));
  ListView_SetImageList(List, Signs.Get(), LVSIL_SMALL);
  ListView_SetTextColor(List, RGB(0, 0, 255));
  const int dpi = static_cast<int>(::GetDpiForWindow(List));
  for (int i = 0; i < ColumnCount; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = ::MulDiv(kColumns[static_cast<size_t>(i)].Width, dpi ? dpi : 96, 96);
    column.iSubItem = i;
    ListView_InsertColumn(List, i, &column);
  }
  ApplyTexts();
}

void FilterListCtrl::ApplyTexts() {
  for (int i = 0; i < ColumnCount; ++i) {
    std::wstring header = WideText::Ui(kColumns[static_cast<size_t>(i)].Header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = header.data();
    ListView_SetColumn(List, i, &column);
  }
  FitColumns();
}

void FilterListCtrl::FitColumns() {
  const int dpi = ::GetDpiForWindow(List) ? static_cast<int>(::GetDpiForWindow(List)) : 96;
  const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
  // Room around a text (the list's own margins), and for the check box in column 0.
  const int padding = scaled(14);
  const int checkBox = ::GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi)) + scaled(6);
  const int rows = RowCount();
  for (int i = 0; i < ColumnCount; ++i) {
    const Column& column = kColumns[static_cast<size_t>(i)];
    const std::wstring header = WideText::Ui(column.Header);
    int wanted = ListView_GetStringWidth(List, header.c_str()) + padding;
    for (int row = 0; row < rows && i > 0; ++row) {
      const std::wstring cell = WideText::FromUtf8(CellText(row, i));
      wanted = std::max(wanted, ListView_GetStringWidth(List, cell.c_str()) + padding);
    }
    if (i == 0) wanted = std::max(wanted, checkBox + padding);
    int least = scaled(column.Width);
    if (static_cast<size_t>(i) < KeptWidths.size()) least = std::max(least, KeptWidths[i]);
    ListView_SetColumnWidth(List, i,
                            std::clamp(wanted, least, std::max(least, scaled(kWidestColumn))));
  }
}

int FilterListCtrl::ColumnsWidth() const {
  int total = 0;
  for (int i = 0; i < ColumnCount; ++i) total += ListView_GetColumnWidth(List, i);
  return total;
}

void FilterListCtrl::SetRows(const std::vector<FilterRow>& rows) {
  Filling = true;
  ListView_DeleteAllItems(List);
  RowTips.assign(rows.size(), std::wstring());
  for (size_t i = 0; i < rows.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.iImage = I_IMAGENONE;
    item.pszText = const_cast<wchar_t*>(L"");
    WriteCells(ListView_InsertItem(List, &item), rows[i]);
  }
  Filling = false;
  FitColumns();
}

void FilterListCtrl::SetRow(int row, const FilterRow& content) {
  if (row < 0 || row >= RowCount()) return;
  Filling = true;
  WriteCells(row, content);
  Filling = false;
  FitColumns();
}

void FilterListCtrl::WriteCells(int row, const FilterRow& content) {
  ListView_SetCheckState(List, row, content.Checked ? TRUE : FALSE);
  for (int column = 1; column < ColumnCount; ++column) {
    std::wstring text = WideText::FromUtf8(content.Cells[static_cast<size_t>(column)]);
    ListView_SetItemText(List, row, column, text.data());
  }
  LVITEMW sign{};
  sign.mask = LVIF_IMAGE;
  sign.iItem = row;
  sign.iSubItem = 1;
  sign.iImage = content.NeverMatches.empty() ? I_IMAGENONE : 0;
  ListView_SetItem(List, &sign);
  if (static_cast<size_t>(row) < RowTips.size()) {
    RowTips[static_cast<size_t>(row)] = WideText::FromUtf8(content.NeverMatches);
  }
}

std::string FilterListCtrl::RowTip(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= RowTips.size()) return {};
  return WideText::ToUtf8(RowTips[static_cast<size_t>(row)]);
}

bool FilterListCtrl::HasSign(int row) const {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iSubItem = 1;
  return ListView_GetItem(List, &item) && item.iImage == 0;
}

std::vector<int> FilterListCtrl::ColumnWidths() const {
  std::vector<int> widths;
  for (int i = 0; i < ColumnCount; ++i) widths.push_back(ListView_GetColumnWidth(List, i));
  return widths;
}

void FilterListCtrl::KeepColumnWidths(std::vector<int> widths) {
  KeptWidths = std::move(widths);
  FitColumns();
}

int FilterListCtrl::RowCount() const {
  return ListView_GetItemCount(List);
}

std::string FilterListCtrl::CellText(int row, int column) const {
  std::wstring text(1024, L'\0');
  ListView_GetItemText(List, row, column, text.data(), static_cast<int>(text.size()));
  text.resize(wcslen(text.c_str()));
  return WideText::ToUtf8(text);
}

bool FilterListCtrl::IsChecked(int row) const {
  return ListView_GetCheckState(List, row) != FALSE;
}

int FilterListCtrl::SelectedIndex() const {
  return ListView_GetNextItem(List, -1, LVNI_SELECTED);
}

void FilterListCtrl::Select(int row) {
  if (row < 0 || row >= RowCount()) return;
  ListView_SetItemState(List, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(List, row, FALSE);
}

bool FilterListCtrl::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom == List && header.code == LVN_GETINFOTIPW) {
    auto& tip = const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header));
    if (tip.iItem >= 0 && static_cast<size_t>(tip.iItem) < RowTips.size() && tip.cchTextMax > 0) {
      const std::wstring& text = RowTips[static_cast<size_t>(tip.iItem)];
      const size_t length = std::min(text.size(), static_cast<size_t>(tip.cchTextMax - 1));
      text.copy(tip.pszText, length);
      tip.pszText[length] = L'\0';
    }
    return true;
  }
  if (header.hwndFrom != List || header.code != LVN_ITEMCHANGED) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if (Filling || !(change.uChanged & LVIF_STATE) || change.iItem < 0) return true;
  const bool was = CheckedState(change.uOldState);
  const bool is = CheckedState(change.uNewState);
  // A selection or focus change leaves the check box as it was.
  if (was == is || !OnCheck || OnCheck(change.iItem, is)) return true;
  Filling = true;
  ListView_SetCheckState(List, change.iItem, was ? TRUE : FALSE);
  Filling = false;
  return true;
}
