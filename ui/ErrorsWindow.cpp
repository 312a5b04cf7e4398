#include "ui/ErrorsWindow.h"

#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

#include "run/ReportFile.h"
#include "ui/FilledGridTable.h"
#include "ui/ResultFrame.h"
#include "ui/WrappedText.h"

namespace vk {

namespace {

// Sorts by the number it shows, not by its text.
class NumberItem : public QTableWidgetItem {
 public:
  explicit NumberItem(double value, int decimals)
      : QTableWidgetItem(std::isnan(value) ? QString("-") : QString::number(value, 'f', decimals)), value_(value) {
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
  bool operator<(const QTableWidgetItem& other) const override {
    const double a = value_, b = static_cast<const NumberItem&>(other).value_;
    // Undefined ratios sort last.
    if (std::isnan(a) || std::isnan(b)) return !std::isnan(a) && std::isnan(b);
    return a < b;
  }

 private:
  double value_;
};

const QStringList kHeaders = {"Path", "RMSE sim", "RMSE walk", "RMSE ratio", "MAE sim", "MAE walk", "MAE ratio"};

}  // namespace

ErrorsWindow::ErrorsWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setObjectName("ErrorsWindow");
  setWindowTitle("Errors");
  table = new FilledGridTable(0, kHeaders.size(), this);
  table->setObjectName("ErrorsTable");
  table->setHorizontalHeaderLabels(kHeaders);
  table->verticalHeader()->hide();
  // Always there, so that the rows of a run's end do not narrow the table
  // and move its columns, and an empty table at the next start widen it.
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Path order until the user sorts by another column.
  table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
  table->setSortingEnabled(true);
  // Fixed widths: fitting the columns to their contents measures every cell
  // at every new path.
  table->horizontalHeader()->setDefaultSectionSize(80);
  table->horizontalHeader()->resizeSection(0, 50);
  table->setToolTip(
      "Each finished path's errors against the actual rate; a ratio below 1 means the simulation "
      "forecast better than a random walk with the training stretch's drift");
  summary = new WrappedText(this);
  summary->setObjectName("ErrorsSummary");
  auto* column = new QVBoxLayout(this);
  column->addWidget(table, 1);
  column->addWidget(summary);
  resize(600, 380);
}

void ErrorsWindow::beginRun(const QString& directory) {
  directory_ = directory;
  problem_.clear();
  duration_.clear();
  factsNote_.clear();
  rows_.clear();
  fillTable();
  if (!isVisible()) {
    placeBesideOwner();
    show();
  }
}

void ErrorsWindow::readReport(bool running) {
  const std::string report = QFile::encodeName(directory_ + "/" + kReportFileName).toStdString();
  try {
    std::vector<PathErrorRow> rows = pathErrorRows(readRunReport(report));
    problem_.clear();
    if (rows.size() == rows_.size()) return;
    rows_ = std::move(rows);
  } catch (const std::exception& e) {
    // While the run writes, the last block may be half on disk.
    if (!running) problem_ = QString::fromStdString(e.what());
  }
  fillTable();
}

void ErrorsWindow::endRun(const QString& duration, const QString& factsNote) {
  duration_ = duration;
  factsNote_ = factsNote;
  readReport(false);
  summary->setText(summaryText());
}

QString ErrorsWindow::summaryText() const {
  QString text = errorSummaryText(summariseErrors(rows_)) + ", in " + directory_;
  if (!duration_.isEmpty()) text += ", run of " + duration_;
  text += ".";
  if (!factsNote_.isEmpty()) text += "\n" + factsNote_;
  if (!problem_.isEmpty()) text += "\n" + problem_;
  return text;
}

void ErrorsWindow::fillTable() {
  // During a run the report only grows: the rows already shown stay.
  const int shown = table->rowCount() <= static_cast<int>(rows_.size()) ? table->rowCount() : 0;
  table->setRowCount(static_cast<int>(rows_.size()));
  // Sorting stays on: turning it off and on measures and paints the header
  // anew. A new row moves to its place in the order shown when the cell of
  // the sorted column is set, so that cell is set last.
  const int sorted = table->horizontalHeader()->sortIndicatorSection();
  for (int i = shown; i < static_cast<int>(rows_.size()); ++i) {
    const PathErrorRow& r = rows_[static_cast<std::size_t>(i)];
    const double values[] = {double(r.path), r.rmseSim, r.rmseWalk, r.rmseRatio, r.maeSim, r.maeWalk, r.maeRatio};
    const auto setCell = [&](int c) { table->setItem(i, c, new NumberItem(values[c], c == 0 ? 0 : 4)); };
    for (int c = 0; c < kHeaders.size(); ++c)
      if (c != sorted) setCell(c);
    if (sorted >= 0 && sorted < kHeaders.size()) setCell(sorted);
  }
  // Laid out now rather than by the view's timer after the window has been
  // painted, which would paint the whole table a second time.
  table->doItemsLayout();
  if (!rows_.empty()) table->scrollToBottom();
  summary->setText(summaryText());
}

// Beside the main window where there is room, fully on the screen.
void ErrorsWindow::placeBesideOwner() {
  if (placed_ || !parentWidget()) return;
  placed_ = true;
  QScreen* s = parentWidget()->screen();
  if (!s) return;
  const QSize decoration(16, 40);
  const QRect frame =
      vk::placeBesideOwner(parentWidget()->frameGeometry(), size() + decoration, s->availableGeometry(), 320, 0);
  resize(frame.size() - decoration);
  move(frame.topLeft());
}

}  // namespace vk
