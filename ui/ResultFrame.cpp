#include "ui/ResultFrame.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "analysis/PathList.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "io/ResultLock.h"
#include "ui/KeepWorkingDirectory.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace {

const char* const kChooserTitle = "Seclect directory.";
const int kColumnWidth = 165;

// A Plot over many paths takes a moment; the cursor says so.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

ResultFrame::ResultFrame(const QString& caption, char prefix, const QString& closeButtonName, UserPrompts* prompts,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), prefix_(prefix), prompts_(prompts ? *prompts : UserPrompts::standard()) {
  setWindowTitle(caption);
  buildLayout(closeButtonName);
  connectHandlers();
  resize(800, 560);
}

void ResultFrame::buildLayout(const QString& closeButtonName) {
  pathList = new QListWidget;
  allButton = new QPushButton("All");
  clearButton = new QPushButton("Clear");
  directoryField = new QLineEdit;
  directoryButton = new QPushButton("Directory");
  plotButton = new QPushButton("Plot");
  saveButton = new QPushButton("Save");
  closeButton = new QPushButton("Close");
  pathList->setObjectName("StatNameBox");
  allButton->setObjectName("AllBtn");
  clearButton->setObjectName("ClearBtn");
  directoryField->setObjectName("DirEdit");
  directoryButton->setObjectName("DirBtn");
  plotButton->setObjectName("PlotBtn");
  saveButton->setObjectName("SaveBtn");
  closeButton->setObjectName(closeButtonName);

  column_ = new QVBoxLayout;
  column_->setContentsMargins(0, 0, 0, 0);
  column_->addWidget(pathList, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{allButton, clearButton, directoryField, directoryButton})
    column_->addWidget(w);
  auto* left = new QWidget;
  left->setFixedWidth(kColumnWidth);
  left->setLayout(column_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {plotButton, saveButton, closeButton}) buttons->addWidget(b);

  chartSide_ = new QVBoxLayout;
  chartSide_->addLayout(buttons);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(left);
  layout->addLayout(chartSide_, 1);
}

void ResultFrame::placeChart(Chart* chart) {
  placeCharts(chart, [this, chart] { exportChart(this, *chart); });
}

void ResultFrame::placeCharts(QWidget* panel, std::function<void()> save) {
  save_ = std::move(save);
  chartPanel_ = panel;
  chartSide_->insertWidget(0, panel, 1);
}

QRect placeBesideOwner(const QRect& owner, const QSize& wanted, const QRect& area, int minWidth, int index) {
  const int gap = 8;
  const int roomRight = area.right() - owner.right() - gap;
  const int roomLeft = owner.left() - area.left() - gap;
  const int height = std::min(wanted.height(), area.height());
  const int top = std::clamp(owner.top() + 32 * index, area.top(), area.bottom() + 1 - height);
  if (std::max(roomRight, roomLeft) >= minWidth) {
    const bool right = roomRight >= std::min(wanted.width(), roomLeft);
    const int width = std::min(wanted.width(), right ? roomRight : roomLeft);
    const int left = right ? owner.right() + 1 + gap : owner.left() - gap - width;
    return QRect(left, top, width, height);
  }
  // No room beside it: against the screen's edge on the roomier side, over
  // as little of it as can be.
  const int width = std::min(wanted.width(), area.width());
  const int left = roomRight >= roomLeft ? area.right() + 1 - width : area.left();
  return QRect(left, top, width, height);
}

void ResultFrame::placeBeside(const QRect& owner) {
  static int opened = 0;  // the analysis windows placed so far
  const QScreen* s = parentWidget()->screen();
  if (!s) return;
  // The frame adds the title bar and borders to the window's own size.
  const QSize decoration(16, 40);
  const QRect frame =
      placeBesideOwner(owner, size() + decoration, s->availableGeometry(), minimumSizeHint().width(), opened++);
  resize(frame.size() - decoration);
  move(frame.topLeft());
}

void ResultFrame::connectHandlers() {
  connect(allButton, &QPushButton::clicked, this, &ResultFrame::checkAll);
  connect(clearButton, &QPushButton::clicked, this, &ResultFrame::uncheckAll);
  connect(directoryButton, &QPushButton::clicked, this, &ResultFrame::chooseDirectory);
  connect(directoryField, &QLineEdit::editingFinished, this, [this] { takeDirectory(directoryField->text()); });
  connect(plotButton, &QPushButton::clicked, this, &ResultFrame::plot);
  connect(saveButton, &QPushButton::clicked, this, &ResultFrame::saveChart);
  connect(closeButton, &QPushButton::clicked, this, &ResultFrame::closeWindow);
}

void ResultFrame::openWith(const QString& directory) {
  // A window already open shows the new directory at once: the field and
  // the list must never show another directory than the one Plot reads.
  if (isVisible())
    takeDirectory(directory);
  else
    resultDir = directory;
  if (!placed_ && parentWidget()) placeBeside(parentWidget()->window()->frameGeometry());
  placed_ = true;
  show();
  raise();
  activateWindow();
}

std::string ResultFrame::directory() const { return QFile::encodeName(resultDir).toStdString(); }

std::vector<ResultFileEntry> ResultFrame::entries() const {
  std::vector<ResultFileEntry> list;
  for (int i = 0; i < pathList->count(); ++i) {
    const QListWidgetItem* item = pathList->item(i);
    list.push_back({QFile::encodeName(item->text()).toStdString(), item->checkState() == Qt::Checked});
  }
  return list;
}

void ResultFrame::showEvent(QShowEvent* event) {
  // Restoring a minimised window is no new showing.
  if (!event->spontaneous()) refreshOnShow();
  QWidget::showEvent(event);
}

void ResultFrame::refreshOnShow() {
  refillList();
  directoryField->setText(resultDir);
}

// The names in the order of their path numbers; the directory gives them in
// no order.
std::vector<std::string> byPathNumber(std::vector<std::string> names, char prefix) {
  const auto number = [prefix](const std::string& name) {
    long long n = -1;
    try {
      const std::string digits = selectionTextOf(name, prefix);
      n = std::stoll(digits);
    } catch (const std::exception&) {
      // A name without a number sorts first, by its text.
    }
    return n;
  };
  std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const long long na = number(a), nb = number(b);
    return na != nb ? na < nb : a < b;
  });
  return names;
}

void ResultFrame::refillList() {
  pathList->clear();
  for (const std::string& name : byPathNumber(listResultFiles(directory(), prefix_), prefix_)) {
    auto* item = new QListWidgetItem(QFile::decodeName(name.c_str()), pathList);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

void ResultFrame::setAllChecked(bool checked) {
  for (int i = 0; i < pathList->count(); ++i) pathList->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// Path files an earlier run left beside the last run's stay unticked, and
// the notice names them: the last run's paths must not be mixed with them.
void ResultFrame::checkAll() {
  LastRunPaths lastRun;
  try {
    lastRun = lastRunPathsOf(directory(), prefix_);
  } catch (const std::exception& e) {
    prompts_.showError(this, QString::fromStdString(e.what()));
    return;
  }
  for (int i = 0; i < pathList->count(); ++i) {
    const std::optional<int> path =
        pathNumberOfFile(QFile::encodeName(pathList->item(i)->text()).toStdString(), prefix_);
    const bool earlier =
        lastRun.recorded && path && !std::binary_search(lastRun.paths.begin(), lastRun.paths.end(), *path);
    pathList->item(i)->setCheckState(earlier ? Qt::Unchecked : Qt::Checked);
  }
  if (!lastRun.note.empty()) prompts_.showNotice(this, QString::fromStdString(lastRun.note));
}

void ResultFrame::uncheckAll() { setAllChecked(false); }

void ResultFrame::chooseDirectory() {
  QString workDir, folder;
  {
    // Back in the working directory before the relative name is listed.
    KeepWorkingDirectory keep;
    workDir = keep.base();
    folder = prompts_.chooseFolder(this, kChooserTitle, workDir);
  }
  if (folder.isEmpty()) return;
  directoryField->setText(relativeTo(workDir, folder));
  resultDir = directoryField->text();
  refillList();
}

// The directory the field shows becomes the one listed and plotted. The
// list keeps the checks of the names the new directory also holds.
void ResultFrame::takeDirectory(const QString& directory) {
  if (directory == resultDir && directoryField->text() == directory) return;
  resultDir = directory;
  directoryField->setText(directory);
  refillKeepingChecks();
}

void ResultFrame::refillKeepingChecks() {
  QStringList checked;
  for (int i = 0; i < pathList->count(); ++i)
    if (pathList->item(i)->checkState() == Qt::Checked) checked << pathList->item(i)->text();
  refillList();
  for (int i = 0; i < pathList->count(); ++i)
    if (checked.contains(pathList->item(i)->text())) pathList->item(i)->setCheckState(Qt::Checked);
}

void ResultFrame::follow(const QString& directory) {
  if (isVisible())
    takeDirectory(directory);
  else
    resultDir = directory;
}

void ResultFrame::runEnded(const QString& directory) {
  if (!isVisible()) return;
  // The same directory however it is written: "result", "./result/".
  const auto place = [](const QString& d) { return QDir::cleanPath(QFileInfo(d).absoluteFilePath()); };
  if (place(directory) != place(resultDir)) return;
  refillKeepingChecks();
}

QString ResultFrame::chartCaption() const { return "Result directory: " + resultDir; }

void ResultFrame::plot() {
  takeDirectory(directoryField->text());
  QList<Chart*> charts = chartPanel_->findChildren<Chart*>();
  if (auto* chart = qobject_cast<Chart*>(chartPanel_)) charts.append(chart);
  for (Chart* chart : charts) chart->setCaption(chartCaption());
  std::string note;
  try {
    BusyCursor busy;
    // No run may write the directory while the Plot reads it.
    const ResultLock lock(directory(), ResultLock::Use::Summary);
    if (lock.unfinished()) note = unfinishedRunNote(directory(), *lock.unfinished());
    writeSelectionFile(directory(), entries(), prefix_);
    plotSummary();
  } catch (const std::exception& e) {
    prompts_.showError(this, QString::fromStdString(e.what()));
    return;
  }
  if (!note.empty()) prompts_.showNotice(this, QString::fromStdString(note));
}

void ResultFrame::saveChart() { save_(); }

void ResultFrame::closeWindow() { hide(); }

}  // namespace vk
