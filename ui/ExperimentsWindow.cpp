#include "ui/ExperimentsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "chart/Chart.h"
#include "chart/SweepChart.h"
#include "experiment/Description.h"
#include "experiment/DescriptionDraft.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/LocalPool.h"
#include "experiment/RunFolder.h"
#include "experiment/RunMetric.h"
#include "io/RunError.h"
#include "ui/CalibrationPage.h"
#include "ui/DescriptionEditor.h"
#include "ui/ExperimentForm.h"
#include "ui/ResultsTableModel.h"
#include "ui/RunRewriter.h"
#include "ui/SweepMonitor.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

// The window's first width: the form's and, the rest, the plot's.
constexpr int kWindowWidth = 1260;

const char* const kRunsSoFar = "the runs so far";

QString defaultProgram() { return QCoreApplication::applicationDirPath() + "/velquin-cli"; }

std::string absolutePath(const QString& name) { return QFileInfo(name.trimmed()).absoluteFilePath().toStdString(); }

// The varied names a sweep plot can draw over: the parameters, not the files.
std::vector<std::string> plottableNames(const Description& d) {
  std::vector<std::string> names;
  for (const VaryEntry& entry : d.vary)
    if (entry.kind == VaryKind::Parameter) names.push_back(entry.name);
  return names;
}

std::string wholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RunError("Cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

QString countsText(const RunCounts& c, int total) {
  return QString("Runs: %1 done, %2 failed, %3 pending of %4").arg(c.done).arg(c.failed).arg(c.pending).arg(total);
}

QString durationText(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  return s < 60 ? QString("%1 s").arg(s) : QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

}  // namespace

ExperimentsWindow::ExperimentsWindow(QWidget* parent, UserPrompts* prompts, const QString& program)
    : QWidget(parent, Qt::Window),
      prompts_(prompts ? *prompts : UserPrompts::standard()),
      process_(new CliProcess(program.isEmpty() ? defaultProgram() : program, this)),
      rewriter_(new RunRewriter(process_->program(), this)),
      monitor_(new SweepMonitor(this)) {
  setWindowTitle("Experiments");
  setObjectName("experimentsWindow");
  tabs = new QTabWidget;
  tabs->addTab(buildExperimentTab(), "Experiment");
  resultsTab_ = buildResultsTab();
  tabs->addTab(resultsTab_, "Results table");
  calibration = new CalibrationPage(prompts_, process_->program());
  tabs->addTab(calibration, "Calibration");
  connect(tabs, &QTabWidget::currentChanged, this, [this] {
    if (tabs->currentWidget() == resultsTab_) showLiveResults();
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  resize(kWindowWidth, 800);

  connect(process_, &CliProcess::ended, this, &ExperimentsWindow::sweepEnded);
  monitor_->whenSeen([this](const SweepLook& look) { seen(look); });
  connect(rewriter_, &RunRewriter::ended, this, &ExperimentsWindow::rewriteEnded);
}

ExperimentsWindow::~ExperimentsWindow() = default;

QWidget* ExperimentsWindow::buildExperimentTab() {
  descriptionField = new QLineEdit;
  descriptionField->setObjectName("descriptionField");
  descriptionField->setToolTip("The experiment description (TOML), as velquin-cli sweep run reads it");
  newButton = new QPushButton("New");
  openButton = new QPushButton("Open...");
  saveButton = new QPushButton("Save");
  form = new ExperimentForm;

  folderField = new QLineEdit;
  folderField->setObjectName("folderField");
  folderField->setToolTip("The experiment folder: new, empty, or made by the same description (it then resumes)");
  jobsBox = new QSpinBox;
  jobsBox->setRange(1, 4096);
  jobsBox->setValue(availableCores());
  jobsBox->setToolTip("Runs at a time on this machine");
  replaceCheck = new QCheckBox("Replace another experiment's runs");
  startButton = new QPushButton("Start");
  startButton->setObjectName("sweepStartButton");
  showResultsButton = new QPushButton("Show results");
  showResultsButton->setToolTip("Draw and list results.csv of the experiment folder");
  statusLabel = new QLabel("No sweep under way.");
  messages = new QPlainTextEdit;
  messages->setReadOnly(true);
  messages->setMaximumBlockCount(500);
  messages->setFixedHeight(90);

  metricBox = new QComboBox;
  for (const std::string& metric : sweepMetrics()) metricBox->addItem(QString::fromStdString(metric));
  metricBox->setCurrentText("rmse_ratio");
  xBox = new QComboBox;
  yBox = new QComboBox;
  yBox->addItem("(none)");

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("Description"));
  fileRow->addWidget(descriptionField, 1);
  for (QPushButton* b : {newButton, openButton, saveButton}) fileRow->addWidget(b);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(new QLabel("Experiment folder"));
  runRow->addWidget(folderField, 1);
  runRow->addWidget(new QLabel("Jobs"));
  runRow->addWidget(jobsBox);
  runRow->addWidget(replaceCheck);
  runRow->addWidget(startButton);
  runRow->addWidget(showResultsButton);
  auto* plotRow = new QHBoxLayout;
  plotRow->addWidget(new QLabel("Metric"));
  plotRow->addWidget(metricBox);
  plotRow->addWidget(new QLabel("over"));
  plotRow->addWidget(xBox);
  plotRow->addWidget(new QLabel("and"));
  plotRow->addWidget(yBox);
  plotRow->addStretch();

  QScrollArea* formScroll = DescriptionEditor::scrolling(form);
  auto* plotPanel = new QWidget;
  auto* plotLayout = new QVBoxLayout(plotPanel);
  plotLayout->setContentsMargins(0, 0, 0, 0);
  plotLayout->addLayout(plotRow);
  chartHolder_ = new QVBoxLayout;
  plotLayout->addLayout(chartHolder_, 1);
  auto* split = new QSplitter;
  split->addWidget(formScroll);
  split->addWidget(plotPanel);
  split->setStretchFactor(1, 1);
  split->setChildrenCollapsible(false);
  split->setSizes({formScroll->minimumWidth(), kWindowWidth - formScroll->minimumWidth()});

  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(fileRow);
  layout->addWidget(split, 1);
  layout->addLayout(runRow);
  layout->addWidget(statusLabel);
  layout->addWidget(messages);
  sweepChart = nullptr;
  renewChart();

  DescriptionEditor::Format format;
  format.chooserTitle = "Open an experiment description";
  format.filesName = "Experiment descriptions";
  format.newFileName = "sweep.toml";
  format.showNew = [this] {
    DescriptionDraft draft;
    draft.inputs = QDir::currentPath().toStdString();
    DraftEntry entry;
    entry.name = "popsize";
    draft.vary.push_back(entry);
    form->showDraft(draft);
  };
  format.open = [this](const std::string& file) {
    const Description d = readDescription(file);
    form->showDraft(draftOf(d));
    setAxes(plottableNames(d), d.design != DesignKind::Grid);
    return d.text;
  };
  format.compose = [this](const std::string& folder) { return descriptionText(form->draft(), folder); };
  format.check = [this](const std::string& file) {
    const Description d = readDescription(file);
    setAxes(plottableNames(d), d.design != DesignKind::Grid);
  };
  editor_ = new DescriptionEditor(
      this, prompts_, {descriptionField, newButton, openButton, saveButton, form->note, messages}, std::move(format));
  connect(startButton, &QPushButton::clicked, this, &ExperimentsWindow::startOrStop);
  connect(showResultsButton, &QPushButton::clicked, this, &ExperimentsWindow::showResultsFolder);
  for (QComboBox* box : {metricBox, xBox, yBox})
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ExperimentsWindow::renewChart);
  return tab;
}

QWidget* ExperimentsWindow::buildResultsTab() {
  results = new ResultsTableModel(this);
  resultsView = new QTableView;
  resultsView->setModel(results);
  resultsView->setSortingEnabled(true);
  resultsView->setSelectionBehavior(QAbstractItemView::SelectRows);
  resultsView->setSelectionMode(QAbstractItemView::SingleSelection);
  resultsView->horizontalHeader()->setSortIndicatorShown(true);
  resultButtons_ = new QHBoxLayout;
  resultButtons_->addWidget(new QLabel("The selected run's result folder:"));
  openRunButton = new QPushButton("Open in main window");
  openRunButton->setObjectName("openRunButton");
  openRunButton->setToolTip(
      "Show the run in the main window's viewer and Analyzer windows (or double-click its row); Start there still "
      "writes into the main window's own result directory");
  openRunButton->setEnabled(false);
  resultButtons_->addWidget(openRunButton);
  resultButtons_->addStretch();
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(resultsView, 1);
  layout->addLayout(resultButtons_);
  connect(resultsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { openRunButton->setEnabled(resultsView->selectionModel()->hasSelection()); });
  // A table loaded anew drops its selection without a signal of the view's.
  connect(results, &QAbstractItemModel::modelReset, this,
          [this] { openRunButton->setEnabled(resultsView->selectionModel()->hasSelection()); });
  connect(openRunButton, &QPushButton::clicked, this, [this] { openSelectedRun(viewRun_); });
  connect(resultsView, &QTableView::doubleClicked, this, [this] { openSelectedRun(viewRun_); });
  return tab;
}

void ExperimentsWindow::addResultAction(const QString& label, std::function<void(const QString&)> open) {
  auto* button = new QPushButton(label);
  resultButtons_->insertWidget(resultButtons_->count() - 1, button);
  connect(button, &QPushButton::clicked, this,
          [this, open] { openSelectedRun([open](const QString& dir, const QString&) { open(dir); }); });
}

void ExperimentsWindow::openSelectedRun(RunOpener open) {
  const QString dir = selectedRunResult();
  if (dir.isEmpty()) {
    prompts_.showNotice(this, "Select a run in the results table first.");
    return;
  }
  if (!open) return;
  const QString runFolder = QFileInfo(dir).path();
  const QString run = QFileInfo(runFolder).fileName();
  // A pending run may be under way, a failed one may have left nothing: its
  // windows would be empty or half-written without saying why.
  const int row = resultsView->currentIndex().row();
  const QString status = results->field(row, "status");
  if (status != "done") {
    const QString message = results->field(row, "message");
    prompts_.showNotice(this, "Run " + run + " is " + status + (message.isEmpty() ? "" : " (" + message + ")") +
                                  "; only a done run's folder is opened.");
    return;
  }
  const QString what = "run " + run + " of the experiment in " + QFileInfo(runFolder + "/../..").canonicalFilePath();
  if (!keptOnlySummaries(QFile::encodeName(dir).toStdString())) {
    open(dir, what);
    return;
  }
  const QString copy = rewriter_->rewritten(runFolder);
  if (!copy.isEmpty()) {
    open(copy, what + ", made again in " + QFileInfo(copy).path());
    return;
  }
  if (rewriter_->running()) {
    prompts_.showNotice(this, "The files of another run are being written again; open this one when they are.");
    return;
  }
  const QString question =
      "Run " + run +
      " kept only its summaries (eval.txt.gz and facts.csv.gz): the files of its paths, which the viewer and the "
      "analysis windows read, were not kept.\n\nWrite them again? The run is made once more by its own command, "
      "into a scratch folder of this program's; the experiment folder is not changed.";
  if (!prompts_.confirm(this, "Files not kept", question)) return;
  try {
    rewriter_->start(runFolder);
  } catch (const RunError& e) {
    prompts_.showError(this, e.what());
    return;
  }
  openRewritten_ = std::move(open);
  rewrittenWhat_ = what;
  say("Writing the files of run " + run + " again into a scratch folder...");
}

void ExperimentsWindow::rewriteEnded(const QString& runFolder, const QString& resultDir, const QString& problem) {
  const RunOpener open = std::move(openRewritten_);
  openRewritten_ = nullptr;
  if (resultDir.isEmpty()) {
    say("The files of run " + QFileInfo(runFolder).fileName() + " were not written again.");
    prompts_.showError(this, problem);
    return;
  }
  say("Wrote the files of run " + QFileInfo(runFolder).fileName() + " again into " + QFileInfo(resultDir).path() +
      "; its report is the one the experiment kept.");
  if (open) open(resultDir, rewrittenWhat_ + ", made again in " + QFileInfo(resultDir).path());
}

QString ExperimentsWindow::selectedRunResult() const {
  const QModelIndex current = resultsView->currentIndex();
  const QString run = current.isValid() ? results->field(current.row(), "run") : QString();
  if (run.isEmpty()) return {};
  const QString dir = runningDir_.isEmpty() ? QString::fromStdString(absolutePath(folderField->text())) : runningDir_;
  // The folders are named by the run's number, zero-padded to the plan's width.
  bool number = false;
  const int id = run.toInt(&number);
  for (const QString& name : QDir(dir + "/runs").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool named = false;
    if (number && name.toInt(&named) == id && named) return dir + "/runs/" + name + "/result";
  }
  return {};
}

void ExperimentsWindow::say(const QString& text) { messages->appendPlainText(text); }

bool ExperimentsWindow::openDescription() { return editor_->openDescription(); }

bool ExperimentsWindow::saveDescription() { return editor_->saveDescription(); }

void ExperimentsWindow::startOrStop() {
  if (sweepRunning())
    stopSweep();
  else
    startSweep();
}

bool ExperimentsWindow::sweepRunning() const { return process_->running(); }

bool ExperimentsWindow::startSweep() {
  if (sweepRunning()) {
    prompts_.showNotice(this, "A sweep is under way; Stop it first.");
    return false;
  }
  if (folderField->text().trimmed().isEmpty()) {
    prompts_.showNotice(this, "Name the experiment folder the runs go into.");
    return false;
  }
  if (!saveDescription()) return false;
  const std::string file = editor_->file();
  try {
    plan_ = std::make_shared<const ExperimentPlan>(makePlan(readDescription(file)));
  } catch (const RunError& e) {
    prompts_.showError(this, e.what());
    return false;
  }
  runningDir_ = QString::fromStdString(absolutePath(folderField->text()));
  table_.clear();
  results->clear();
  finishedAtStart_ = -1;
  clock_.start();
  QStringList arguments{"sweep",     "run",    QString::fromStdString(file),     "--out",
                        runningDir_, "--jobs", QString::number(jobsBox->value())};
  if (replaceCheck->isChecked()) arguments << "--replace";
  process_->start(arguments, {"sweep", "collect", runningDir_, "--quiet"});
  monitor_->watch(plan_, runningDir_);
  startButton->setText("Stop");
  statusLabel->setText(countsText({0, 0, static_cast<int>(plan_->runs.size())}, static_cast<int>(plan_->runs.size())));
  say(QString("Started %1 runs into %2 on %3 cores.").arg(plan_->runs.size()).arg(runningDir_).arg(jobsBox->value()));
  return true;
}

void ExperimentsWindow::stopSweep() {
  if (!sweepRunning()) return;
  say("Stopping: the runs under way end now and start again from empty when the sweep is started again.");
  process_->stop();
}

void ExperimentsWindow::seen(const SweepLook& look) {
  if (!look.problem.empty()) return;
  const int finished = look.counts.done + look.counts.failed;
  if (finishedAtStart_ < 0) finishedAtStart_ = finished;
  QString status = countsText(look.counts, look.total);
  const int since = finished - finishedAtStart_;
  if (sweepRunning() && since > 0 && look.counts.pending > 0)
    status += ", about " + durationText(clock_.elapsed() / 1000.0 / since * look.counts.pending) + " left";
  statusLabel->setText(status);
  showTable(kRunsSoFar, look.table);
  // The table of thousands of rows is read again only when it is looked at.
  resultsStale_ = true;
  if (tabs->currentWidget() == resultsTab_) showLiveResults();
}

void ExperimentsWindow::showLiveResults() {
  if (!resultsStale_) return;
  resultsStale_ = false;
  try {
    results->load(tableName_, table_);
  } catch (const RunError& e) {
    say(e.what());
  }
}

void ExperimentsWindow::sweepEnded(CommandEnd end, const QString& message) {
  monitor_->stopWatching();
  startButton->setText("Start");
  const std::string dir = runningDir_.toStdString();
  const std::string file = dir + "/" + kResultsFileName;
  if (!message.isEmpty()) say(message);
  try {
    const RunCounts counts = countRuns(*plan_, dir);
    statusLabel->setText(countsText(counts, static_cast<int>(plan_->runs.size())) +
                         (end == CommandEnd::Stopped ? " (stopped)" : ""));
    if (fs::exists(file)) {
      showTable(file, wholeFile(file));
      results->load(file);
      resultsStale_ = false;
    }
  } catch (const RunError& e) {
    say(e.what());
  }
  say(end == CommandEnd::Completed ? "The sweep is complete."
      : end == CommandEnd::Stopped ? "The sweep was stopped; Start resumes it."
                                   : "The sweep ended with failures.");
  // A refused or failed sweep is said as loudly as a failed run.
  if (end == CommandEnd::Failed) prompts_.showError(this, message.isEmpty() ? "The sweep failed." : message);
}

void ExperimentsWindow::showResultsFolder() {
  const std::string dir = absolutePath(folderField->text());
  try {
    const Description d = readRecordedDescription(experimentRecordFile(dir));
    setAxes(plottableNames(d), d.design != DesignKind::Grid);
    const std::string file = dir + "/" + kResultsFileName;
    results->load(file);
    resultsStale_ = false;
    runningDir_ = QString::fromStdString(dir);
    showTable(file, wholeFile(file));
  } catch (const RunError& e) {
    prompts_.showError(this, e.what());
  }
}

void ExperimentsWindow::setAxes(const std::vector<std::string>& names, bool sampled) {
  sampled_ = sampled;
  const QString x = xBox->currentText(), y = yBox->currentText();
  for (QComboBox* box : {xBox, yBox}) {
    const QSignalBlocker block(box);
    box->clear();
  }
  {
    const QSignalBlocker block(yBox);
    yBox->addItem("(none)");
    for (const std::string& name : names) {
      xBox->addItem(QString::fromStdString(name));
      yBox->addItem(QString::fromStdString(name));
    }
    if (xBox->findText(x) >= 0) xBox->setCurrentText(x);
    if (yBox->findText(y) >= 0 && y != xBox->currentText()) yBox->setCurrentText(y);
  }
  renewChart();
}

void ExperimentsWindow::renewChart() {
  if (sweepChart) delete sweepChart;
  sweepView_.reset();
  sweepChart = new Chart;
  sweepChart->setObjectName("sweepChart");
  sweepChart->setMinimumSize(420, 320);
  chartHolder_->addWidget(sweepChart);
  sweepView_ = std::make_unique<SweepChart>(*sweepChart);
  redraw();
}

void ExperimentsWindow::showTable(const std::string& name, std::string table) {
  tableName_ = name;
  table_ = std::move(table);
  redraw();
}

void ExperimentsWindow::redraw() {
  if (xBox->currentText().isEmpty()) {
    sweepChart->setNote("The experiment varies no parameter to draw over.");
    return;
  }
  if (table_.empty()) {
    sweepChart->setNote("No run has ended yet.");
    return;
  }
  SweepSettings settings;
  settings.xName = xBox->currentText().toStdString();
  settings.yName = yBox->currentIndex() > 0 ? yBox->currentText().toStdString() : "";
  if (settings.yName == settings.xName) settings.yName.clear();
  settings.metric = metricBox->currentText().toStdString();
  settings.binned = sampled_;
  try {
    ResultsTableReader reader(tableName_, table_);
    const SweepSummary summary = summariseSweep(reader, settings);
    sweepChart->setNote("");
    sweepView_->show(summary);
  } catch (const RunError& e) {
    sweepChart->setNote(e.what());
    sweepChart->repaintNow();
  }
}

}  // namespace vk
