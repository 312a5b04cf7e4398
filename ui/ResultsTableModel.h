#pragma once
// An experiment's results table for a table view: every row and column of
// results.csv as the file holds it, sortable by any column, numbers by
// their value and empty fields last.
#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace vk {

class ResultsTableReader;

class ResultsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Reads the table; a file that cannot be read is a RunError naming it,
  // and the model keeps what it held.
  void load(const std::string& file);
  // The same from a table in memory, named in messages.
  void load(const std::string& name, std::string text);
  void clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // The field of a row as shown, by the column's name; empty without it.
  QString field(int row, const std::string& column) const;

 private:
  void take(ResultsTableReader& reader);

  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace vk
