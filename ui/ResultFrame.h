#pragma once
// The frame the three analysis windows share: a result directory of their
// own, the check list of its path files, All, Clear, the directory field and
// its chooser, and Plot, Save and Close below the window's chart.
//
// All ticks the path files the directory's last run wrote, and names those
// it leaves unticked (see PathList.h). Plot takes the directory's shared lock (a run writing it refuses the Plot),
// writes the selection file from the check list and then runs the window's
// summary (plotSummary), which reads the selection back from that file. An
// error ends the Plot in a message box; what was written stays, and the chart
// keeps what the summary had handed to it. A run in the directory that did
// not finish is told in a notice after the Plot. Each Plot names the
// directory under every chart of the window, so that a chart or its export
// says which run it shows.
//
// Controls are public members named by their role, as the window's own
// handlers and the tests address them; a lookup by name uses the object
// names the layout sets.
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "analysis/ResultDirectory.h"

class QGridLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QVBoxLayout;

namespace vk {

class Chart;
class UserPrompts;

// Runs a summary into a fresh set of series and hands them to the window's
// chart view, also when the summary stops part-way: the chart then keeps the
// points added before the error, which is passed on.
template <class Series, class View, class Summarise>
void summariseInto(View& view, Summarise summarise) {
  Series series;
  try {
    summarise(series);
  } catch (...) {
    view.show(series);
    throw;
  }
  view.show(series);
}

// Where an analysis window of the wanted size goes beside its owner inside
// the screen area: on the side with more room, narrowed down to minWidth if
// need be; against the screen's edge on the roomier side, partly over the
// owner, when neither side has that room. index counts the windows placed
// before, each of which goes a little lower.
QRect placeBesideOwner(const QRect& owner, const QSize& wanted, const QRect& area, int minWidth, int index);

// The path files' names in the order of their path numbers; names without
// a number first.
std::vector<std::string> byPathNumber(std::vector<std::string> names, char prefix);

class ResultFrame : public QWidget {
  Q_OBJECT

 public:
  // The directory the window lists and plots, relative to the working
  // directory or absolute. The main window's Analyzer buttons copy theirs in.
  QString resultDir;

  // What an Analyzer button does: takes the directory and makes the window
  // visible. A window already open keeps its list until it is shown anew.
  void openWith(const QString& directory);

  // The main window now views directory: an open window lists and plots it
  // too, keeping the checks of the names it also holds; a hidden one takes
  // it when it is opened.
  void follow(const QString& directory);

  // A run into directory has ended: an open window listing it lists the
  // files as they are now, keeping the checks of the names that stay.
  void runEnded(const QString& directory);

  // The check list as the selection writer takes it, top to bottom.
  std::vector<ResultFileEntry> entries() const;

  // Handlers.
  void refreshOnShow();
  void checkAll();
  void uncheckAll();
  void chooseDirectory();
  void plot();
  void saveChart();
  void closeWindow();

  QListWidget* pathList;
  QPushButton* allButton;
  QPushButton* clearButton;
  QLineEdit* directoryField;
  QPushButton* directoryButton;
  QPushButton* plotButton;
  QPushButton* saveButton;
  // BitBtn1 in the path and contour windows, CloseBtn in the weights window.
  QPushButton* closeButton;

 protected:
  // prefix: the letter of the path files listed ('r' or 'w').
  ResultFrame(const QString& caption, char prefix, const QString& closeButtonName, UserPrompts* prompts,
              QWidget* parent);
  // The window's chart fills the room right of the column, above the buttons.
  void placeChart(Chart* chart);
  // A window of several charts places them as one panel; Save calls save.
  void placeCharts(QWidget* panel, std::function<void()> save);

  // The window's own computation, after the selection file is written. A
  // RunError (or any exception) it throws ends the Plot with its message.
  virtual void plotSummary() = 0;

  // What the window's charts say under them: the directory drawn.
  virtual QString chartCaption() const;
  UserPrompts& prompts() const { return prompts_; }

  // Room under the Directory button for a window's own controls.
  QVBoxLayout* controlColumn() const { return column_; }
  // The result directory as the core takes a file name.
  std::string directory() const;

  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout(const QString& closeButtonName);
  void connectHandlers();
  void refillList();
  void refillKeepingChecks();
  void takeDirectory(const QString& directory);
  void placeBeside(const QRect& owner);
  void setAllChecked(bool checked);

  char prefix_;
  std::function<void()> save_;
  QWidget* chartPanel_ = nullptr;
  UserPrompts& prompts_;
  QVBoxLayout* column_ = nullptr;
  QVBoxLayout* chartSide_ = nullptr;
  bool placed_ = false;
};

}  // namespace vk
