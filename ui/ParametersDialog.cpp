#include "ui/ParametersDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <cerrno>

#include "chart/Chart.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Limits.h"
#include "ui/KeepWorkingDirectory.h"
#include "ui/StepButtons.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace {

const char* const kParameterFile = "para.txt";

std::string fileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

int wholeNumber(const QString& text) {
  int value;
  if (!parseInt(text.toStdString(), value)) throw RunError("'" + text.toStdString() + "' is not a valid integer value");
  return value;
}

const QList<QPair<QString, QString>> kFileFilters = {{"Text (*.txt) ", "*.txt"}, {" All files ", "*"}};

// Line 1 of the price file is the run's first week.
long long weekOfLine(long long line) { return line - 1 + kFirstWeek; }

QLabel* smallLabel(QWidget* parent, const char* name, const QRect& place) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setGeometry(place);
  QFont f = label->font();
  f.setPixelSize(10);
  label->setFont(f);
  return label;
}

}  // namespace

ParametersDialog::ParametersDialog(QWidget* parent, RunFiles& files, UserPrompts* prompts)
    : QDialog(parent), files_(files), prompts_(prompts ? *prompts : UserPrompts::standard()) {
  setObjectName("ParametersDlg");
  setWindowTitle("Parameters");
  setModal(false);
  setFixedSize(591, 263);
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);
  buildLayout();
}

void ParametersDialog::buildLayout() {
  buildFields();
  buildFileButtons();
  buildPreview();
  connectHandlers();
}

void ParametersDialog::buildFields() {
  fieldsFrame = new QFrame(this);
  fieldsFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  fieldsFrame->setGeometry(8, 8, 217, 209);

  struct Row {
    QLabel*& label;
    const char* labelName;
    const char* caption;
    QLineEdit*& field;
    const char* fieldName;
    StepButtons*& upDown;
    const char* upDownName;
    int max, step;
  };
  const Row rows[] = {
      {agentsLabel, "Label1", "Number of agents", agentsField, "NumAgentEdit", agentsStepper, "UpDown1", 500, 1},
      {startWeekLabel, "Label2", "Start week", startWeekField, "StartGenEdit", startWeekStepper, "UpDown2", 1000, 10},
      {endWeekLabel, "Label3", "End week", endWeekField, "EndGenEdit", endWeekStepper, "UpDown3", 1000, 10},
      {trainingLengthLabel, "Label4", "Length of training", trainingLengthField, "TrainingLEdit", trainingLengthStepper,
       "UpDown4", 1000, 10},
      {simulationTimesLabel, "Label5", "Simulation times", simulationTimesField, "SimTimesEdit", simulationTimesStepper,
       "UpDown5", 500, 1},
      {trainingTimesLabel, "Label7", "Training times", trainingTimesField, "TrainingTimesEdit", trainingTimesStepper,
       "UpDown6", 500, 1},
  };
  int top = 16;
  for (const Row& r : rows) {
    r.label = new QLabel(r.caption, this);
    r.label->setObjectName(r.labelName);
    r.label->move(24, top + 2);
    r.label->adjustSize();
    r.field = new QLineEdit("0", this);
    r.field->setObjectName(r.fieldName);
    r.field->setGeometry(136, top, 65, 20);
    r.upDown = new StepButtons(r.field, 0, r.max, r.step, this);
    r.upDown->setObjectName(r.upDownName);
    r.upDown->setGeometry(201, top, 16, 20);
    top += 24;
  }
}

void ParametersDialog::buildFileButtons() {
  directoryLabel = new QLabel("Directory", this);
  directoryLabel->setObjectName("Label6");
  directoryLabel->move(24, 162);
  directoryLabel->adjustSize();
  directoryField = new QLineEdit(this);
  directoryField->setObjectName("DirEdit");
  directoryField->setGeometry(80, 160, 105, 20);
  directoryButton = new QPushButton("Dir", this);
  directoryButton->setObjectName("DirBtn");
  directoryButton->setGeometry(192, 160, 25, 25);
  priceFileButton = new QPushButton("Price file", this);
  priceFileButton->setObjectName("PriceBtn");
  priceFileButton->setGeometry(48, 192, 57, 17);
  dataFileButton = new QPushButton("Data file", this);
  dataFileButton->setObjectName("DataBtn");
  dataFileButton->setGeometry(128, 192, 57, 17);
  okButton = new QPushButton("OK", this);
  okButton->setObjectName("OKBtn");
  okButton->setGeometry(207, 228, 75, 25);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cansel", this);
  cancelButton->setObjectName("CancelBtn");
  cancelButton->setGeometry(287, 228, 75, 25);
  for (QPushButton* b : {directoryButton, priceFileButton, dataFileButton, cancelButton}) b->setAutoDefault(false);
}

void ParametersDialog::buildPreview() {
  previewChart = new Chart(this);
  previewChart->setObjectName("Chart1");
  previewChart->setGeometry(232, 8, 345, 209);
  previewChart->setChartTitle("Price");
  previewChart->setLegend(LegendPlace::Bottom);
  // Drawn in the run's weeks, not in lines of the file.
  previewChart->setAxisTitles("Week (price-file line - 5)", "Rate (log)");
  allPricesSeries = previewChart->addFastLine("All", Qt::black, 1);
  trainingSeries = previewChart->addFastLine("Training", Qt::blue, 2);
  forecastSeries = previewChart->addFastLine("Forecast", Qt::red, 2);

  // Below the fields: what is wrong with the weeks; right of the buttons:
  // the files the next run will read.
  weekWarning = smallLabel(this, "WeekWarning", QRect(8, 219, 195, 40));
  weekWarning->setWordWrap(true);
  QPalette warning = weekWarning->palette();
  warning.setColor(QPalette::WindowText, QColor(190, 0, 0));
  weekWarning->setPalette(warning);
  priceFileLabel = smallLabel(this, "PriceFileLabel", QRect(370, 224, 213, 15));
  dataFileLabel = smallLabel(this, "DataFileLabel", QRect(370, 241, 213, 15));
}

void ParametersDialog::connectHandlers() {
  connect(startWeekField, &QLineEdit::textChanged, this, &ParametersDialog::startWeekChanged);
  connect(endWeekField, &QLineEdit::textChanged, this, &ParametersDialog::endWeekChanged);
  connect(trainingLengthField, &QLineEdit::textChanged, this, &ParametersDialog::trainingLengthChanged);
  connect(okButton, &QPushButton::clicked, this, &ParametersDialog::applyAndClose);
  connect(cancelButton, &QPushButton::clicked, this, &ParametersDialog::discardAndClose);
  connect(directoryButton, &QPushButton::clicked, this, &ParametersDialog::chooseDirectory);
  connect(priceFileButton, &QPushButton::clicked, this, &ParametersDialog::choosePriceFile);
  connect(dataFileButton, &QPushButton::clicked, this, &ParametersDialog::chooseDataFile);
}

void ParametersDialog::reportError(const QString& message) { prompts_.showError(this, message); }

void ParametersDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window system restoring it is no new showing
  if (!centred_) {
    centred_ = true;
    if (QScreen* s = screen()) {
      const QRect frame = frameGeometry();
      move(s->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
  }
  refreshFromFiles();
}

void ParametersDialog::refreshFromFiles() {
  directoryField->setText(files_.resultDir);
  // Each showing starts from the run's files; what is chosen here waits
  // for OK.
  chosen_ = files_;
  showFileNames();
  // The parameter file is read even when the price file fails, so that the
  // dialog never holds a parameter set that did not come from para.txt.
  try {
    loadPreviewPrices();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  try {
    loadParameters();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void ParametersDialog::loadPreviewPrices() {
  allPricesSeries->clear();
  previewLoaded_ = false;
  showWeekWarning();
  TextReader in = TextReader::open(fileName(chosen_.priceFileName));
  previewPrices.clear();
  // Blank lines after the last price add no price of 0.
  while (in.skipToNextValue()) {
    const double price = in.readReal();
    in.skipLine();
    previewPrices.push_back(price);
    allPricesSeries->addPoint(static_cast<double>(weekOfLine(static_cast<long long>(previewPrices.size()))), price);
  }
  previewLoaded_ = true;
  showWeekWarning();
  previewChart->replot();
}

QLineEdit* ParametersDialog::fieldOf(const ParameterField& parameter) const {
  const std::string name = parameter.name;
  if (name == "popsize") return agentsField;
  if (name == "minyear") return startWeekField;
  if (name == "maxyear") return endWeekField;
  if (name == "teachyear") return trainingLengthField;
  if (name == "simtimes") return simulationTimesField;
  if (name == "nsample") return trainingTimesField;
  return nullptr;
}

void ParametersDialog::loadParameters() {
  parametersRead_ = false;
  TextReader in = TextReader::open(kParameterFile);
  // Each edited value is shown as soon as it is read: a line that fails
  // leaves the values before it read and shown.
  readParameters(in, parameters, [this](const ParameterField& parameter) {
    if (QLineEdit* field = fieldOf(parameter)) field->setText(QString::number(parameters.*parameter.whole));
  });
  parametersRead_ = true;
  drawPreviewSpans();
}

void ParametersDialog::saveParameters() { writeParameterFile(kParameterFile, parameters); }

// The spans as the run takes them: training from the start week for the
// length of training, then simulation up to the end week; each cut to the
// weeks the price file holds.
void ParametersDialog::drawPreviewSpans() {
  trainingSeries->clear();
  forecastSeries->clear();
  const long long first = kFirstWeek, last = lastPreviewWeek();
  const long long start = parameters.minyear;
  const long long lastTraining = start + parameters.teachyear - 1;
  const auto price = [this](long long w) { return previewPrices[static_cast<std::size_t>(w - first)]; };
  for (long long w = std::max(start, first); w <= std::min(lastTraining, last); ++w)
    trainingSeries->addPoint(static_cast<double>(w), price(w));
  for (long long w = std::max({start, lastTraining + 1, first}); w <= std::min<long long>(parameters.maxyear, last);
       ++w)
    forecastSeries->addPoint(static_cast<double>(w), price(w));
  showWeekWarning();
  previewChart->replot();
}

long long ParametersDialog::lastPreviewWeek() const { return weekOfLine(static_cast<long long>(previewPrices.size())); }

// Why the weeks do not fit the price file, or nothing while they do or the
// file could not be read.
QString ParametersDialog::weekProblem() const {
  if (!previewLoaded_) return QString();
  const long long last = lastPreviewWeek();
  const QString file = QFileInfo(chosen_.priceFileName).fileName();
  if (previewPrices.empty()) return file + " holds no price.";
  if (parameters.maxyear > last)
    return QString("End week %1 lies past week %2, the last of %3.").arg(parameters.maxyear).arg(last).arg(file);
  if (parameters.minyear < kFirstWeek)
    return QString("Start week %1 lies before week %2, the first of %3.")
        .arg(parameters.minyear)
        .arg(kFirstWeek)
        .arg(file);
  return QString();
}

void ParametersDialog::showWeekWarning() { weekWarning->setText(weekProblem()); }

void ParametersDialog::showFileNames() {
  const std::pair<QLabel*, std::pair<const char*, const QString*>> rows[] = {
      {priceFileLabel, {"Price file: ", &chosen_.priceFileName}},
      {dataFileLabel, {"Data file: ", &chosen_.dataFileName}}};
  for (const auto& [label, row] : rows) {
    const QString text = row.first + *row.second;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
    label->setToolTip(QDir::toNativeSeparators(*row.second));
  }
}

void ParametersDialog::weekFieldChanged(QLineEdit* field, int& value) {
  try {
    value = wholeNumber(field->text());
  } catch (const RunError& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  drawPreviewSpans();
}

void ParametersDialog::startWeekChanged() { weekFieldChanged(startWeekField, parameters.minyear); }
void ParametersDialog::endWeekChanged() { weekFieldChanged(endWeekField, parameters.maxyear); }
void ParametersDialog::trainingLengthChanged() { weekFieldChanged(trainingLengthField, parameters.teachyear); }

void ParametersDialog::applyAndClose() {
  try {
    for (const ParameterField& parameter : parameterFields())
      if (QLineEdit* field = fieldOf(parameter)) parameters.*parameter.whole = wholeNumber(field->text());
  } catch (const RunError& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  const QString problem = weekProblem();
  if (!problem.isEmpty()) {
    prompts_.showNotice(this, problem + " A run would stop there. Nothing was written.");
    return;
  }
  if (!parametersRead_) {
    prompts_.showNotice(this,
                        "para.txt could not be read when this dialog was opened, so its other values are "
                        "unknown. Nothing was written. Correct para.txt, close this dialog with \"Cansel\" "
                        "and open it again with \"Setting\".");
    return;
  }
  try {
    saveParameters();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  files_.resultDir = directoryField->text();
  files_.priceFileName = chosen_.priceFileName;
  files_.dataFileName = chosen_.dataFileName;
  hide();
}

void ParametersDialog::discardAndClose() { hide(); }

void ParametersDialog::reject() { discardAndClose(); }

void ParametersDialog::chooseDirectory() {
  KeepWorkingDirectory keep;
  const QString folder = prompts_.chooseFolder(this, "Seclect directory.", keep.base());
  if (!folder.isEmpty()) directoryField->setText(relativeTo(keep.base(), folder));
}

void ParametersDialog::choosePriceFile() {
  KeepWorkingDirectory keep;
  const QString file = prompts_.chooseFile(this, "Choose the price file", keep.base(), kFileFilters);
  if (file.isEmpty()) return;
  // Chosen, not yet taken: the run gets the name at OK.
  chosen_.priceFileName = relativeTo(keep.base(), file);
  showFileNames();
  try {
    loadPreviewPrices();
    drawPreviewSpans();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void ParametersDialog::chooseDataFile() {
  KeepWorkingDirectory keep;
  const QString file = prompts_.chooseFile(this, "Choose the data file", keep.base(), kFileFilters);
  if (file.isEmpty()) return;
  chosen_.dataFileName = QFileInfo(file).absoluteFilePath();
  showFileNames();
}

}  // namespace vk
