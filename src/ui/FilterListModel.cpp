#include "ui/FilterListModel.h"

#include "config/UiTexts.h"
#include "engine/CCacheFilter.h"
#include "sources/ContentKinds.h"

namespace {

constexpr std::array<UiTextKey, FilterListModel::ColumnCount> kHeaderKeys = {
    UiTextKey::FilterListEnabled,   UiTextKey::FilterListContentType,
    UiTextKey::FilterListMinSize,   UiTextKey::FilterListURL,
    UiTextKey::FilterListMinWidth,  UiTextKey::FilterListMinHeight,
    UiTextKey::FilterListDirectory, UiTextKey::FilterListFileNameDummy};

}  // namespace

FilterListModel::FilterListModel(QObject* parent) : QAbstractTableModel(parent) {
  RefreshHeaders();
}

QString FilterListModel::KindText(KindCode code) {
  if (code == KindEveryPicture) {
    return QString::fromStdString(UiTexts::Get(UiTextKey::FilterListEveryPicture));
  }
  if (code == KindEveryAudio) {
    return QString::fromStdString(UiTexts::Get(UiTextKey::FilterListEveryAudio));
  }
  if (code == KindEveryVideo) {
    return QString::fromStdString(UiTexts::Get(UiTextKey::FilterListEveryVideo));
  }
  const std::string_view kind = KindName(code);
  return QString::fromUtf8(kind.data(), static_cast<qsizetype>(kind.size())).toUpper();
}

FilterListModel::Row FilterListModel::MakeRow(const FilterRecord& record) {
  Row row;
  row.Checked = !record.Disabled;
  row.Cells[1] = KindText(record.ContentType);
  row.Cells[2] = QString::number(record.MinSize);
  row.Cells[3] = QString::fromStdString(record.URL);
  row.Cells[4] = QString::number(record.MinWidth);
  row.Cells[5] = QString::number(record.MinHeight);
  row.Cells[6] = QString::fromStdString(record.Directory);
  row.Cells[7] = QString::fromStdString(record.FileNameDummy);
  return row;
}

void FilterListModel::Fill(const CCacheFilter& set) {
  beginResetModel();
  Rows.clear();
  for (const FilterRecord* record = set.GetFirst(); record; record = set.GetNext(*record)) {
    Rows.push_back(MakeRow(*record));
  }
  endResetModel();
}

void FilterListModel::ShowRow(int row, const FilterRecord& record) {
  if (row < 0 || row >= rowCount()) return;
  Rows[static_cast<size_t>(row)] = MakeRow(record);
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void FilterListModel::RefreshHeaders() {
  for (size_t i = 0; i < kHeaderKeys.size(); ++i) {
    Headers[i] = QString::fromStdString(UiTexts::Get(kHeaderKeys[i]));
  }
  emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

bool FilterListModel::IsChecked(int row) const {
  return row >= 0 && row < rowCount() && Rows[static_cast<size_t>(row)].Checked;
}

QString FilterListModel::CellText(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount) return {};
  return Rows[static_cast<size_t>(row)].Cells[static_cast<size_t>(column)];
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
