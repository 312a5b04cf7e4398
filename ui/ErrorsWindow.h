#pragma once
// The errors window ("Errors"): beside the main window during and after a
// run, the forecast errors of every finished path (RMSE and MAE of the
// simulation and of the random walk, and their ratios) in a table that sorts
// by any column, and below it the median ratio over the paths, the run's
// directory and how long it took. It reads the run's report eval.txt, which
// the run completes and flushes path by path.
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

#include "ui/PathErrors.h"

class QTableWidget;

namespace vk {

class WrappedText;

class ErrorsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ErrorsWindow(QWidget* owner);

  // A new run into directory: an empty table.
  void beginRun(const QString& directory);
  // Reads the report as far as it is written. A block still being written
  // is left for the next reading while the run goes on (running); after the
  // run an unreadable report is said in the window.
  void readReport(bool running);
  // The run's end: its duration and, for a run that completed, the facts
  // furthest from the actual ones join the summary.
  void endRun(const QString& duration, const QString& factsNote = QString());

  const std::vector<PathErrorRow>& rows() const { return rows_; }
  QString summaryText() const;

  QTableWidget* table;
  WrappedText* summary;

 private:
  void fillTable();
  void placeBesideOwner();

  QString directory_;
  QString problem_;
  QString duration_;
  QString factsNote_;
  std::vector<PathErrorRow> rows_;
  bool placed_ = false;
};

}  // namespace vk
