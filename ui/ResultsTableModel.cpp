#include "ui/ResultsTableModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "experiment/ResultsTable.h"
#include "io/TextReader.h"

namespace vk {

namespace {

// A field's value for sorting: NaN for an empty or non-numeric field.
double sortValue(const std::string& field) {
  double value = 0;
  return !field.empty() && parseReal(field, value) ? value : std::nan("");
}

// A field as the table shows it. The report's values are written in full,
// with a four-digit exponent, whose mantissa alone would fill a column and
// read as the value: they are shown with six significant digits instead,
// the field as written in the tooltip.
QString shownField(const std::string& field) {
  const bool exponent = field.find_first_of("Ee") != std::string::npos;
  double value = 0;
  if (exponent && parseReal(field, value)) return QString::number(value, 'g', 6);
  return QString::fromStdString(field);
}

}  // namespace

void ResultsTableModel::load(const std::string& file) {
  ResultsTableReader reader(file);
  take(reader);
}

void ResultsTableModel::load(const std::string& name, std::string text) {
  ResultsTableReader reader(name, std::move(text));
  take(reader);
}

void ResultsTableModel::take(ResultsTableReader& reader) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> fields;
  while (reader.next(fields)) rows.push_back(fields);
  beginResetModel();
  header_ = reader.header();
  rows_ = std::move(rows);
  endResetModel();
}

void ResultsTableModel::clear() {
  beginResetModel();
  header_.clear();
  rows_.clear();
  endResetModel();
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(header_.size());
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::string& field = rows_[index.row()][index.column()];
  if (role == Qt::DisplayRole) return shownField(field);
  if (role == Qt::ToolTipRole) return QString::fromStdString(field);
  return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return QString::fromStdString(header_[section]);
}

void ResultsTableModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  std::vector<std::pair<double, std::size_t>> keys;
  for (std::size_t r = 0; r < rows_.size(); ++r) keys.emplace_back(sortValue(rows_[r][column]), r);
  const bool numeric = std::any_of(keys.begin(), keys.end(), [](const auto& k) { return !std::isnan(k.first); });
  const bool down = order == Qt::DescendingOrder;
  // Empty fields stay last whichever way the column is sorted.
  std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const std::string& fa = rows_[a.second][column];
    const std::string& fb = rows_[b.second][column];
    if (fa.empty() != fb.empty()) return fb.empty();
    if (numeric && std::isnan(a.first) != std::isnan(b.first)) return std::isnan(b.first);
    if (numeric && !std::isnan(a.first)) return down ? b.first < a.first : a.first < b.first;
    return down ? fb < fa : fa < fb;
  });
  beginResetModel();
  std::vector<std::vector<std::string>> sorted;
  sorted.reserve(rows_.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows_[key.second]));
  rows_ = std::move(sorted);
  endResetModel();
}

QString ResultsTableModel::field(int row, const std::string& column) const {
  const auto found = std::find(header_.begin(), header_.end(), column);
  if (row < 0 || row >= rowCount() || found == header_.end()) return {};
  return QString::fromStdString(rows_[row][found - header_.begin()]);
}

}  // namespace vk
