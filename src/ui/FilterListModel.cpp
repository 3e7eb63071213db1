#include "ui/FilterListModel.h"

#include <QApplication>
#include <QStyle>

namespace {

// The content type column: the sign stands before the kind the filter never gets.
constexpr int kSignColumn = 1;

}  // namespace

FilterListModel::FilterListModel(QObject* parent) : QAbstractTableModel(parent) {
  RefreshHeaders();
}

FilterListModel::Row FilterListModel::MakeRow(const FilterRow& content) {
  Row row;
  row.Checked = content.Checked;
  for (size_t i = 0; i < content.Cells.size(); ++i) {
    row.Cells[i] = QString::fromStdString(content.Cells[i]);
  }
  row.NeverMatches = QString::fromStdString(content.NeverMatches);
  return row;
}

void FilterListModel::Fill(const std::vector<FilterRow>& rows) {
  beginResetModel();
  Rows.clear();
  for (const FilterRow& row : rows) Rows.push_back(MakeRow(row));
  endResetModel();
}

void FilterListModel::ShowRow(int row, const FilterRow& content) {
  if (row < 0 || row >= rowCount()) return;
  Rows[static_cast<size_t>(row)] = MakeRow(content);
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void FilterListModel::RefreshHeaders() {
  const std::array<std::string, ColumnCount> headers = FilterRow::Headers();
  for (size_t i = 0; i < headers.size(); ++i) Headers[i] = QString::fromStdString(headers[i]);
  emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

bool FilterListModel::IsChecked(int row) const {
  return row >= 0 && row < rowCount() && Rows[static_cast<size_t>(row)].Checked;
}

QString FilterListModel::CellText(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount) return {};
  return Rows[static_cast<size_t>(row)].Cells[static_cast<size_t>(column)];
}

QString FilterListModel::RowTip(int row) const {
  return row >= 0 && row < rowCount() ? Rows[static_cast<size_t>(row)].NeverMatches : QString();
}

int FilterListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int FilterListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant FilterListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const Row& row = Rows[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) return row.Cells[static_cast<size_t>(index.column())];
  if (role == Qt::CheckStateRole && index.column() == 0) {
    return row.Checked ? Qt::Checked : Qt::Unchecked;
  }
  if (!row.NeverMatches.isEmpty()) {
    if (role == Qt::ToolTipRole) return row.NeverMatches;
    if (role == Qt::DecorationRole && index.column() == kSignColumn) {
      return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }
  }
  return {};
}

bool FilterListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::CheckStateRole ||
      index.column() != 0) {
    return false;
  }
  const bool checked = value.value<Qt::CheckState>() == Qt::Checked;
  Row& row = Rows[static_cast<size_t>(index.row())];
  // A report that does not change the check state is no toggle.
  if (row.Checked == checked) return false;
  if (!OnCheck || !OnCheck(index.row(), checked)) return false;
  row.Checked = checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

QVariant FilterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
  if (role == Qt::DisplayRole) return Headers[static_cast<size_t>(section)];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags FilterListModel::flags(const QModelIndex& index) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == 0) result |= Qt::ItemIsUserCheckable;
  return result;
}
