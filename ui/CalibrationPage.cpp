#include "ui/CalibrationPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include <filesystem>

#include "calibration/CalibrationDraft.h"
#include "calibration/CalibrationOutputs.h"
#include "chart/CalibrationView.h"
#include "experiment/LocalPool.h"
#include "io/RunError.h"
#include "run/ParameterFile.h"
#include "ui/CalibrationForm.h"
#include "ui/DescriptionEditor.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

// The page's first size about the splitters: the form and the estimate take
// what they need, the charts the rest.
constexpr int kPageWidth = 1240;
constexpr int kPageHeight = 600;
constexpr int kEstimateRows = 3;

QString number(double value) { return std::isfinite(value) ? QString::number(value, 'g', 6) : QString(); }

// A new description's starting point: the moments and search of a first
// look at the inputs in the working directory.
CalibrationDraft firstDraft() {
  CalibrationDraft d;
  d.inputs = QDir::currentPath().toStdString();
  d.mode = "write";
  d.estimate = {{"delta", "0.002", "0.008"}};
  d.moments = {"std", "excess_kurtosis", "acf_r_1", "acf_abs_1", "acf_abs_5"};
  d.seeds = "5";
  d.budget = "150";
  d.searchSeed = "1";
  return d;
}

QString statusOf(const CalibrationOutputs& o) {
  int failed = 0;
  for (const Evaluation& e : o.evaluations) failed += e.done ? 0 : 1;
  double best = NAN;
  for (double loss : bestLossSoFar(o.evaluations))
    if (std::isfinite(loss) && !(best <= loss)) best = loss;
  QString text = QString("Evaluations: %1, %2 failed").arg(o.evaluations.size()).arg(failed);
  if (!o.evaluations.empty())
    text += QString(", last: step %1, generation %2")
                .arg(QString::fromStdString(o.evaluations.back().step))
                .arg(o.evaluations.back().generation);
  if (std::isfinite(best)) text += ", best loss of the search " + number(best);
  if (o.finished) text += "; finished, loss at the estimate " + number(o.loss);
  return text;
}

}  // namespace

std::vector<std::string> writeEstimate(const std::string& dir, const std::vector<std::string>& names,
                                       const std::string& paraFile) {
  const std::string estimateFile = dir + "/estimate/para.txt";
  const Parameters estimate = readParameterFile(estimateFile);
  const std::string previous = readParameterText(paraFile);
  if (previous.empty()) throw RunError("There is no " + paraFile + " to write the estimate into");
  const Parameters was = readParameterFile(paraFile);
  Parameters now = was;
  for (const std::string& name : names) {
    const ParameterField* field = findParameter(name);
    if (!field) throw RunError(estimateFile + ": '" + name + "' is no parameter of para.txt");
    setParameter(now, name, parameterText(estimate, *field), estimateFile);
  }
  checkParameterFile(now, paraFile);
  const std::vector<std::string> untrue = commentsMadeUntrue(previous, was, now);
  writeParameterFile(paraFile, now);
  return untrue;
}

CalibrationPage::CalibrationPage(UserPrompts& prompts, const QString& program, QWidget* parent)
    : QWidget(parent), prompts_(prompts), process_(new CliProcess(program, this)), watch_(new QTimer(this)) {
  descriptionField = new QLineEdit;
  descriptionField->setToolTip("The calibration description (TOML), as velquin-cli calibrate run reads it");
  newButton = new QPushButton("New");
  newButton->setToolTip("Fill the form with a description to start from");
  browseButton = new QPushButton("Open...");
  saveButton = new QPushButton("Save");
  saveButton->setToolTip("Write the form into the description's file and check it as velquin-cli does");
  formButton = new QPushButton("Hide form");
  formButton->setCheckable(true);
  formButton->setToolTip("Hide the form, giving the charts the page's width");
  form = new CalibrationForm;
  folderField = new QLineEdit;
  folderField->setToolTip("The calibration folder: new, empty, or made by the same description (it then resumes)");
  jobsBox = new QSpinBox;
  jobsBox->setRange(1, 4096);
  jobsBox->setValue(availableCores());
  replaceCheck = new QCheckBox("Replace another calibration's folder");
  startButton = new QPushButton("Start");
  showButton = new QPushButton("Show");
  showButton->setToolTip("Draw the calibration folder as it stands");
  statusLabel = new QLabel("No calibration under way.");
  panel = new CalibrationPanel;
  view_ = std::make_unique<CalibrationView>(*panel);
  estimateTable = new QTableWidget(0, 7);
  estimateTable->setHorizontalHeaderLabels(
      {"Parameter", "Estimate", "Standard error", "Lower 95 %", "Upper 95 %", "Identified", "Start"});
  estimateTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  estimateTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  estimateTable->setMaximumHeight(150);
  paraField = new QLineEdit(QDir::current().filePath("para.txt"));
  paraField->setToolTip("The para.txt the estimate is written into; its other values and comments stay");
  takeButton = new QPushButton("Write the estimate into para.txt");
  takeButton->setEnabled(false);
  messages = new QPlainTextEdit;
  messages->setReadOnly(true);
  messages->setFixedHeight(70);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("Description"));
  fileRow->addWidget(descriptionField, 1);
  for (QPushButton* b : {newButton, browseButton, saveButton, formButton}) fileRow->addWidget(b);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(new QLabel("Calibration folder"));
  runRow->addWidget(folderField, 1);
  runRow->addWidget(new QLabel("Jobs"));
  runRow->addWidget(jobsBox);
  runRow->addWidget(replaceCheck);
  runRow->addWidget(startButton);
  runRow->addWidget(showButton);
  auto* takeRow = new QHBoxLayout;
  takeRow->addWidget(paraField, 1);
  takeRow->addWidget(takeButton);
  // The form beside the charts, never above them: stacked, it would take
  // the height the charts need; it scrolls on its own, and hides.
  QScrollArea* formScroll = DescriptionEditor::scrolling(form);
  formPanel = formScroll;
  // The charts give way to the window's height; a very small window scrolls.
  auto* charts = new QScrollArea;
  charts->setWidget(panel);
  charts->setWidgetResizable(true);
  // The estimate under the charts, beside the form: the form's column would
  // otherwise sit above a strip of nothing.
  auto* estimatePanel = new QWidget;
  auto* estimateLayout = new QVBoxLayout(estimatePanel);
  estimateLayout->setContentsMargins(0, 0, 0, 0);
  estimateLayout->addWidget(estimateTable, 1);
  estimateLayout->addLayout(takeRow);
  auto* results = new QSplitter(Qt::Vertical);
  results->addWidget(charts);
  results->addWidget(estimatePanel);
  results->setStretchFactor(0, 1);
  results->setChildrenCollapsible(false);
  // The estimate's usual few rows to begin with; the charts take the rest.
  const int estimateHeight = estimateTable->horizontalHeader()->sizeHint().height() +
                             kEstimateRows * estimateTable->verticalHeader()->defaultSectionSize() +
                             2 * estimateTable->frameWidth() + takeButton->sizeHint().height();
  results->setSizes({kPageHeight - estimateHeight, estimateHeight});
  auto* split = new QSplitter;
  split->addWidget(formScroll);
  split->addWidget(results);
  split->setStretchFactor(1, 1);
  split->setChildrenCollapsible(false);
  split->setSizes({formScroll->minimumWidth(), kPageWidth - formScroll->minimumWidth()});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addWidget(split, 1);
  layout->addLayout(runRow);
  layout->addWidget(statusLabel);
  layout->addWidget(messages);

  DescriptionEditor::Format format;
  format.chooserTitle = "Open a calibration description";
  format.filesName = "Calibration descriptions";
  format.newFileName = "calibration.toml";
  format.showNew = [this] { form->showDraft(firstDraft()); };
  format.open = [this](const std::string& file) {
    const CalibrationDescription c = readCalibrationDescription(file);
    form->showDraft(calibrationDraftOf(c));
    return c.text;
  };
  format.compose = [this](const std::string& folder) { return calibrationText(form->draft(), folder); };
  format.check = [](const std::string& file) { readCalibrationDescription(file); };
  editor_ = new DescriptionEditor(
      this, prompts_, {descriptionField, newButton, browseButton, saveButton, form->note, messages}, std::move(format));
  connect(editor_, &DescriptionEditor::opened, this,
          [this](const QString& file) { messages->appendPlainText("Opened " + file + "."); });
  connect(editor_, &DescriptionEditor::keptAsWritten, this, [this](const QString& file) {
    messages->appendPlainText("The form holds what " + file + " says; it stays as written.");
  });
  connect(formButton, &QPushButton::toggled, this, [this](bool hidden) {
    formPanel->setVisible(!hidden);
    formButton->setText(hidden ? "Show form" : "Hide form");
  });
  connect(startButton, &QPushButton::clicked, this, &CalibrationPage::startOrStop);
  connect(showButton, &QPushButton::clicked, this, &CalibrationPage::showFolder);
  connect(takeButton, &QPushButton::clicked, this, &CalibrationPage::takeEstimate);
  connect(process_, &CliProcess::ended, this, &CalibrationPage::ended);
  // A calibration's evaluations come a generation at a time, seconds apart:
  // its small tables are read on the window's thread.
  connect(watch_, &QTimer::timeout, this, [this] {
    try {
      show(readCalibrationOutputs(folder()));
    } catch (const RunError&) {
      // Not written yet, or caught half-way: the next look reads it whole.
    }
  });
}

CalibrationPage::~CalibrationPage() = default;

std::string CalibrationPage::folder() const {
  return QFileInfo(folderField->text().trimmed()).absoluteFilePath().toStdString();
}

void CalibrationPage::newDescription() { editor_->newDescription(); }

bool CalibrationPage::openDescription() { return editor_->openDescription(); }

bool CalibrationPage::saveDescription() { return editor_->saveDescription(); }

void CalibrationPage::startOrStop() {
  if (calibrationRunning())
    stopCalibration();
  else
    startCalibration();
}

bool CalibrationPage::startCalibration() {
  if (calibrationRunning()) {
    prompts_.showNotice(this, "A calibration is under way; Stop it first.");
    return false;
  }
  if (descriptionField->text().trimmed().isEmpty() || folderField->text().trimmed().isEmpty()) {
    prompts_.showNotice(this, "Name the calibration description and the folder it writes.");
    return false;
  }
  // The description runs as saved: a file named while the form is empty is
  // opened into it, else the form is saved as Save does (a file it did not
  // come from is replaced only when the user agrees). Either way the
  // command's reader judges it before anything starts.
  const std::string file = editor_->file();
  std::error_code error;
  const bool named = fs::exists(file, error) && file != editor_->formFile().file() && form->empty();
  if (named ? !openDescription() : !saveDescription()) return false;
  QStringList arguments{"calibrate",
                        "run",
                        QString::fromStdString(file),
                        "--out",
                        QString::fromStdString(folder()),
                        "--jobs",
                        QString::number(jobsBox->value()),
                        "--quiet"};
  if (replaceCheck->isChecked()) arguments << "--replace";
  estimated_.clear();
  takeButton->setEnabled(false);
  estimateTable->setRowCount(0);
  process_->start(arguments);
  watch_->start(1000);
  startButton->setText("Stop");
  statusLabel->setText("Started: the start point's runs come first.");
  messages->appendPlainText("Started the calibration into " + QString::fromStdString(folder()) + ".");
  return true;
}

void CalibrationPage::stopCalibration() {
  messages->appendPlainText("Stopping: the batch under way is lost; Start resumes from the batches recorded.");
  process_->stop();
}

void CalibrationPage::ended(CommandEnd end, const QString& message) {
  watch_->stop();
  startButton->setText("Start");
  if (!message.isEmpty()) messages->appendPlainText(message);
  messages->appendPlainText(end == CommandEnd::Completed ? "The calibration is complete."
                            : end == CommandEnd::Stopped ? "The calibration was stopped; Start resumes it."
                                                         : "The calibration failed.");
  if (end == CommandEnd::Failed) prompts_.showError(this, message.isEmpty() ? "The calibration failed." : message);
  try {
    show(readCalibrationOutputs(folder()));
  } catch (const RunError& e) {
    messages->appendPlainText(e.what());
  }
}

bool CalibrationPage::showFolder() {
  try {
    show(readCalibrationOutputs(folder()));
    return true;
  } catch (const RunError& e) {
    prompts_.showError(this, e.what());
    return false;
  }
}

void CalibrationPage::show(const CalibrationOutputs& outputs) {
  view_->show(outputs);
  statusLabel->setText(statusOf(outputs));
  fillEstimate(outputs);
}

void CalibrationPage::fillEstimate(const CalibrationOutputs& outputs) {
  estimated_.clear();
  estimateTable->setRowCount(0);
  takeButton->setEnabled(outputs.finished);
  if (!outputs.finished) return;
  for (const ParameterEstimate& p : outputs.estimate) {
    const int row = estimateTable->rowCount();
    estimateTable->insertRow(row);
    const QStringList cells{
        QString::fromStdString(p.name), number(p.value), number(p.standardError), number(p.lower), number(p.upper),
        p.identified ? "yes" : "no",    number(p.start)};
    for (int c = 0; c < cells.size(); ++c) estimateTable->setItem(row, c, new QTableWidgetItem(cells[c]));
    estimated_.push_back(p.name);
  }
}

bool CalibrationPage::takeEstimate() {
  const std::string paraFile = QFileInfo(paraField->text().trimmed()).absoluteFilePath().toStdString();
  try {
    const std::vector<std::string> untrue = writeEstimate(folder(), estimated_, paraFile);
    QString text = "Wrote the estimate into " + QString::fromStdString(paraFile) + ".";
    for (const std::string& line : untrue) text += "\nA comment is no longer true: " + QString::fromStdString(line);
    messages->appendPlainText(text);
    if (!untrue.empty()) prompts_.showNotice(this, text);
    return true;
  } catch (const RunError& e) {
    prompts_.showError(this, e.what());
    return false;
  }
}

}  // namespace vk
