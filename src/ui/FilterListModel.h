#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <functional>
#include <vector>

#include "sources/ContentKinds.h"

class CCacheFilter;
struct FilterRecord;

// The main window's list: one row per filter of the set, in set order, with a check
// box in column 0. It shows a copy of the rows made by Fill and ShowRow, so painting
// never needs the filter set's lock; a click on a check box is handed to the owner.
class FilterListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int ColumnCount = 8;
  // Asked to (un)check a row; returns whether the record took the change.
  using CheckHandler = std::function<bool(int row, bool checked)>;

  explicit FilterListModel(QObject* parent = nullptr);

  // How a filter's content type is shown: a kind's short name in capitals, a
  // group's text from the current language ("Every Picture").
  static QString KindText(KindCode code);

  void SetCheckHandler(CheckHandler handler) { OnCheck = std::move(handler); }
  // Rebuilds every row from the set (the caller holds the set's lock).
  void Fill(const CCacheFilter& set);
  // Rewrites one row from its record.
  void ShowRow(int row, const FilterRecord& record);
  // Header texts from the current language.
  void RefreshHeaders();
  bool IsChecked(int row) const;
  QString CellText(int row, int column) const;

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
  };
  static Row MakeRow(const FilterRecord& record);

  std::vector<Row> Rows;
  std::array<QString, ColumnCount> Headers;
  CheckHandler OnCheck;
};
