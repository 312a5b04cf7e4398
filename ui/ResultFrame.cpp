#include "ui/ResultFrame.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>

#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "ui/UserPrompts.h"
#include "ui/WorkingDirectory.h"

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
  StatNameBox = new QListWidget;
  AllBtn = new QPushButton("All");
  ClearBtn = new QPushButton("Clear");
  DirEdit = new QLineEdit;
  DirBtn = new QPushButton("Directory");
  PlotBtn = new QPushButton("Plot");
  SaveBtn = new QPushButton("Save");
  closeButton = new QPushButton("Close");
  StatNameBox->setObjectName("StatNameBox");
  AllBtn->setObjectName("AllBtn");
  ClearBtn->setObjectName("ClearBtn");
  DirEdit->setObjectName("DirEdit");
  DirBtn->setObjectName("DirBtn");
  PlotBtn->setObjectName("PlotBtn");
  SaveBtn->setObjectName("SaveBtn");
  closeButton->setObjectName(closeButtonName);

  column_ = new QVBoxLayout;
  column_->setContentsMargins(0, 0, 0, 0);
  column_->addWidget(StatNameBox, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{AllBtn, ClearBtn, DirEdit, DirBtn}) column_->addWidget(w);
  auto* left = new QWidget;
  left->setFixedWidth(kColumnWidth);
  left->setLayout(column_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {PlotBtn, SaveBtn, closeButton}) buttons->addWidget(b);

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
  chartSide_->insertWidget(0, panel, 1);
}

void ResultFrame::connectHandlers() {
  connect(AllBtn, &QPushButton::clicked, this, &ResultFrame::AllBtnClick);
  connect(ClearBtn, &QPushButton::clicked, this, &ResultFrame::ClearBtnClick);
  connect(DirBtn, &QPushButton::clicked, this, &ResultFrame::DirBtnClick);
  connect(PlotBtn, &QPushButton::clicked, this, &ResultFrame::PlotBtnClick);
  connect(SaveBtn, &QPushButton::clicked, this, &ResultFrame::SaveBtnClick);
  connect(closeButton, &QPushButton::clicked, this, &ResultFrame::CloseClick);
}

void ResultFrame::openWith(const QString& directory) {
  resultDir = directory;
  if (!placed_ && parentWidget()) {
    // The first time over the main window; later where the user left it.
    const QRect owner = parentWidget()->window()->frameGeometry();
    move(owner.center() - rect().center());
  }
  placed_ = true;
  show();
  raise();
  activateWindow();
}

std::string ResultFrame::directory() const { return QFile::encodeName(resultDir).toStdString(); }

std::vector<ResultFileEntry> ResultFrame::entries() const {
  std::vector<ResultFileEntry> list;
  for (int i = 0; i < StatNameBox->count(); ++i) {
    const QListWidgetItem* item = StatNameBox->item(i);
    list.push_back({QFile::encodeName(item->text()).toStdString(), item->checkState() == Qt::Checked});
  }
  return list;
}

void ResultFrame::showEvent(QShowEvent* event) {
  // Restoring a minimised window is no new showing.
  if (!event->spontaneous()) FormShow();
  QWidget::showEvent(event);
}

void ResultFrame::FormShow() {
  refillList();
  DirEdit->setText(resultDir);
}

void ResultFrame::refillList() {
  StatNameBox->clear();
  for (const std::string& name : listResultFiles(directory(), prefix_)) {
    auto* item = new QListWidgetItem(QFile::decodeName(name.c_str()), StatNameBox);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

void ResultFrame::setAllChecked(bool checked) {
  for (int i = 0; i < StatNameBox->count(); ++i)
    StatNameBox->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void ResultFrame::AllBtnClick() { setAllChecked(true); }

void ResultFrame::ClearBtnClick() { setAllChecked(false); }

void ResultFrame::DirBtnClick() {
  QString workDir, folder;
  {
    // Back in the working directory before the relative name is listed.
    KeepWorkingDirectory keep;
    workDir = keep.base();
    folder = prompts_.chooseFolder(this, kChooserTitle, workDir);
  }
  if (folder.isEmpty()) return;
  DirEdit->setText(relativeTo(workDir, folder));
  resultDir = DirEdit->text();
  refillList();
}

void ResultFrame::PlotBtnClick() {
  try {
    BusyCursor busy;
    writeSelectionFile(directory(), entries(), prefix_);
    plotSummary();
  } catch (const std::exception& e) {
    prompts_.showError(this, QString::fromStdString(e.what()));
  }
}

void ResultFrame::SaveBtnClick() { save_(); }

void ResultFrame::CloseClick() { hide(); }

}  // namespace vk
