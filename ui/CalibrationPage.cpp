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
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "calibration/CalibrationOutputs.h"
#include "chart/CalibrationView.h"
#include "experiment/LocalPool.h"
#include "io/RunError.h"
#include "run/ParameterFile.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace {

QString number(double value) { return std::isfinite(value) ? QString::number(value, 'g', 6) : QString(); }

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
  browseButton = new QPushButton("Open...");
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
  fileRow->addWidget(browseButton);
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
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addLayout(runRow);
  layout->addWidget(statusLabel);
  // The three charts want more height than a laptop's screen leaves the page.
  auto* charts = new QScrollArea;
  charts->setWidget(panel);
  charts->setWidgetResizable(true);
  layout->addWidget(charts, 1);
  layout->addWidget(estimateTable);
  layout->addLayout(takeRow);
  layout->addWidget(messages);

  connect(browseButton, &QPushButton::clicked, this, &CalibrationPage::chooseDescription);
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

void CalibrationPage::chooseDescription() {
  const QString file = prompts_.chooseFile(this, "Open a calibration description", QDir::currentPath(),
                                           {{"Calibration descriptions", "*.toml"}, {"All files", "*"}});
  if (!file.isEmpty()) descriptionField->setText(file);
}

void CalibrationPage::startOrStop() {
  if (calibrationRunning())
    stopCalibration();
  else
    startCalibration();
}

bool CalibrationPage::startCalibration() {
  if (calibrationRunning()) return false;
  if (descriptionField->text().trimmed().isEmpty() || folderField->text().trimmed().isEmpty()) {
    prompts_.showNotice(this, "Name the calibration description and the folder it writes.");
    return false;
  }
  QStringList arguments{"calibrate",
                        "run",
                        QFileInfo(descriptionField->text().trimmed()).absoluteFilePath(),
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
