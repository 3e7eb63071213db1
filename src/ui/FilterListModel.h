#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <functional>
#include <vector>

#include "app/FilterRow.h"

// The main window's list: the rows the filter list's controller made, with a check box
// in column 0. It keeps a copy of them, so painting never needs the filter set's lock; a
// click on a check box is handed to the owner.
class FilterListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int ColumnCount = FilterRow::ColumnCount;
  // Asked to (un)check a row; returns whether the record took the change.
  using CheckHandler = std::function<bool(int row, bool checked)>;

  explicit FilterListModel(QObject* parent = nullptr);

  void SetCheckHandler(CheckHandler handler) { OnCheck = std::move(handler); }
  void Fill(const std::vector<FilterRow>& rows);
  void ShowRow(int row, const FilterRow& content);
  // Header texts from the current language.
  void RefreshHeaders();
  bool IsChecked(int row) const;
  QString CellText(int row, int column) const;
  // Why a row's filter never matches ("" when it can); its content type cell then shows
  // a warning sign.
  QString RowTip(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    bool Checked = true;
    std::array<QString, ColumnCount> Cells;
    QString NeverMatches;
  };
  static Row MakeRow(const FilterRow& content);

  std::vector<Row> Rows;
  std::array<QString, ColumnCount> Headers;
  CheckHandler OnCheck;
};
