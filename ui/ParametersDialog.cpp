#include "ui/ParametersDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabBar>

#include <algorithm>
#include <cerrno>

#include "chart/Chart.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Limits.h"
#include "model/Seed.h"
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

// Where a value was typed, as a refusal names it.
const char* const kTypedSource = "Parameters";

const char* const kModeWords[] = {"write", "all", "read", "detail", "factor", "frequency"};

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
  // The first page as laid out, and below it the tabs of the two pages.
  setFixedSize(591, 292);
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);
  buildLayout();
}

void ParametersDialog::buildLayout() {
  // The first page: what lies above the warning, OK and Cansel, which serve
  // both pages.
  runPage = new QWidget(this);
  runPage->setObjectName("RunPage");
  runPage->setGeometry(0, 0, 591, 218);
  buildFields();
  buildFileButtons();
  buildPreview();
  buildEveryValuePage();
  connectHandlers();
}

void ParametersDialog::buildFields() {
  fieldsFrame = new QFrame(runPage);
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
    r.label = new QLabel(r.caption, runPage);
    r.label->setObjectName(r.labelName);
    r.label->move(24, top + 2);
    r.label->adjustSize();
    r.field = new QLineEdit("0", runPage);
    r.field->setObjectName(r.fieldName);
    r.field->setGeometry(136, top, 65, 20);
    r.upDown = new StepButtons(r.field, 0, r.max, r.step, runPage);
    r.upDown->setObjectName(r.upDownName);
    r.upDown->setGeometry(201, top, 16, 20);
    top += 24;
  }
}

void ParametersDialog::buildFileButtons() {
  directoryLabel = new QLabel("Directory", runPage);
  directoryLabel->setObjectName("Label6");
  directoryLabel->move(24, 162);
  directoryLabel->adjustSize();
  directoryField = new QLineEdit(runPage);
  directoryField->setObjectName("DirEdit");
  directoryField->setGeometry(80, 160, 105, 20);
  directoryButton = new QPushButton("Dir", runPage);
  directoryButton->setObjectName("DirBtn");
  directoryButton->setGeometry(192, 160, 25, 25);
  priceFileButton = new QPushButton("Price file", runPage);
  priceFileButton->setObjectName("PriceBtn");
  priceFileButton->setGeometry(48, 192, 57, 17);
  dataFileButton = new QPushButton("Data file", runPage);
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
  previewChart = new Chart(runPage);
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

void ParametersDialog::buildEveryValuePage() {
  everyValuePage = new QFrame(this);
  everyValuePage->setObjectName("EveryValuePage");
  static_cast<QFrame*>(everyValuePage)->setFrameStyle(QFrame::Box | QFrame::Sunken);
  everyValuePage->setGeometry(8, 8, 575, 209);
  const std::vector<ParameterField>& table = parameterFields();
  // Seven rows of three columns, in the order of para.txt's lines, then the seed.
  const auto place = [](std::size_t i) {
    return QPoint(8 + static_cast<int>(i / 7) * 190, 8 + static_cast<int>(i % 7) * 22);
  };
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ParameterField& f = table[i];
    const QPoint at = place(i);
    auto* label = new QLabel(f.name, everyValuePage);
    label->setObjectName(QString("%1Label").arg(f.name));
    label->setGeometry(at.x(), at.y() + 2, 70, 16);
    label->setToolTip(QString("Line %1 of para.txt: %2").arg(f.line).arg(f.caption));
    valueLabels.push_back(label);
    if (f.kind == ParameterKind::Word) {
      modeBox = new QComboBox(everyValuePage);
      modeBox->setObjectName("ModeBox");
      modeBox->setEditable(true);
      for (const char* word : kModeWords) modeBox->addItem(word);
      modeBox->setGeometry(at.x() + 72, at.y(), 110, 20);
      modeBox->setToolTip(label->toolTip());
      valueFields.push_back(nullptr);
      continue;
    }
    auto* field = new QLineEdit(everyValuePage);
    field->setObjectName(QString("%1Edit").arg(f.name));
    field->setGeometry(at.x() + 72, at.y(), 80, 20);
    field->setToolTip(label->toolTip());
    valueFields.push_back(field);
  }
  const QPoint at = place(table.size());
  seedLabel = new QLabel("seed", everyValuePage);
  seedLabel->setObjectName("SeedLabel");
  seedLabel->setGeometry(at.x(), at.y() + 2, 70, 16);
  seedField = new QLineEdit(everyValuePage);
  seedField->setObjectName("SeedEdit");
  seedField->setGeometry(at.x() + 72, at.y(), 110, 20);
  seedField->setPlaceholderText("fixed seed");
  const QString seedTip = QString(
                              "The next run's seed, a whole number 0..%1, as velquin-cli run --seed takes it; "
                              "empty (or 0) for the fixed seed")
                              .arg(kMaxSeedNumber);
  for (QWidget* w : std::initializer_list<QWidget*>{seedLabel, seedField}) w->setToolTip(seedTip);

  commentWarning = smallLabel(everyValuePage, "CommentWarning", QRect(8, 164, 559, 42));
  commentWarning->setWordWrap(true);
  commentWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette warning = commentWarning->palette();
  warning.setColor(QPalette::WindowText, QColor(190, 0, 0));
  commentWarning->setPalette(warning);
  everyValuePage->hide();

  pageTabs = new QTabBar(this);
  pageTabs->setObjectName("PageTabs");
  pageTabs->setShape(QTabBar::RoundedSouth);
  pageTabs->setDrawBase(false);
  pageTabs->addTab("Run and files");
  pageTabs->addTab("Every value and seed");
  pageTabs->setGeometry(8, 264, pageTabs->sizeHint().width(), 24);
  mirrorFirstPageFields();
}

// A value of the first page is the same value on the second: typing in
// either shows it in both.
void ParametersDialog::mirrorFirstPageFields() {
  const std::vector<ParameterField>& table = parameterFields();
  for (std::size_t i = 0; i < table.size(); ++i) {
    QLineEdit* first = fieldOf(table[i]);
    QLineEdit* second = valueFields[i];
    if (!first) continue;
    const auto copy = [](QLineEdit* to) {
      return [to](const QString& text) {
        if (to->text() != text) to->setText(text);
      };
    };
    connect(first, &QLineEdit::textChanged, second, copy(second));
    connect(second, &QLineEdit::textChanged, first, copy(first));
  }
}

void ParametersDialog::showPage(int page) {
  runPage->setVisible(page == 0);
  everyValuePage->setVisible(page == 1);
  if (pageTabs->currentIndex() != page) pageTabs->setCurrentIndex(page);
}

void ParametersDialog::connectHandlers() {
  connect(pageTabs, &QTabBar::currentChanged, this, &ParametersDialog::showPage);
  for (QLineEdit* field : valueFields)
    if (field) connect(field, &QLineEdit::textChanged, this, &ParametersDialog::showUntrueComments);
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
  seedField->setText(files_.seed);
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
  commentWarning->clear();
  parameterText_ = readParameterText(kParameterFile);
  TextReader in = TextReader::open(kParameterFile);
  // Each value is shown as soon as it is read: a line that fails leaves the
  // values before it read and shown.
  readParameters(in, parameters, [this](const ParameterField& parameter) { showValue(parameter); });
  parametersRead_ = true;
  drawPreviewSpans();
  showUntrueComments();
}

// A real as para.txt writes it when that gives the value back, else the
// shortest text that does, so that no value is shown other than it is.
void ParametersDialog::showValue(const ParameterField& parameter) {
  if (QLineEdit* field = fieldOf(parameter)) field->setText(QString::number(parameters.*parameter.whole));
  const std::size_t i = static_cast<std::size_t>(parameter.line - 1);
  if (parameter.kind == ParameterKind::Word) {
    modeBox->setCurrentText(QString::fromStdString(parameters.runMode));
    return;
  }
  QString text = QString::fromStdString(parameterText(parameters, parameter));
  if (parameter.kind == ParameterKind::Real && text.toDouble() != parameters.*parameter.real)
    text = QString::number(parameters.*parameter.real, 'g', QLocale::FloatingPointShortest);
  valueFields[i]->setText(text);
}

Parameters ParametersDialog::typedParameters(bool lenient) const {
  Parameters typed = parameters;
  const std::vector<ParameterField>& table = parameterFields();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const QString text = valueFields[i] ? valueFields[i]->text() : modeBox->currentText();
    try {
      setParameter(typed, table[i].name, text.toStdString(), kTypedSource);
    } catch (const RunError&) {
      if (!lenient) throw;
    }
  }
  return typed;
}

void ParametersDialog::showUntrueComments() {
  if (!parametersRead_) return;
  QString text;
  try {
    TextReader in(kParameterFile, parameterText_);
    const Parameters was = readParameters(in);
    for (const std::string& line : commentsMadeUntrue(parameterText_, was, typedParameters(true)))
      text += (text.isEmpty() ? "Comments of para.txt no longer true: " : "; ") + QString::fromStdString(line);
  } catch (const std::exception&) {
    // A text that no longer reads as a parameter set states nothing to compare.
  }
  commentWarning->setText(text);
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
  Parameters typed;
  std::vector<std::string> untrue;
  bool created = false;
  try {
    typed = typedParameters(false);
    checkParameters(typed, kTypedSource);
    checkShares(typed, kTypedSource);
    checkDecimalsKept(typed, kParameterFile);
    if (!seedField->text().isEmpty()) seedNumberFromText(seedField->text().toStdString(), "Seed");
    const std::string previous = readParameterText(kParameterFile);
    TextReader in(kParameterFile, previous);
    untrue = commentsMadeUntrue(previous, readParameters(in), typed);
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  const QString refused = prepareResultDirectory(created);
  if (!refused.isEmpty()) {
    reportError(refused);
    return;
  }
  parameters = typed;
  try {
    saveParameters();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  files_.resultDir = directoryField->text();
  files_.priceFileName = chosen_.priceFileName;
  files_.dataFileName = chosen_.dataFileName;
  files_.seed = seedField->text();
  hide();
  if (created) prompts_.showNotice(this, "Created the result directory '" + files_.resultDir + "'.");
  if (!untrue.empty()) {
    QString text = "para.txt was written with its comments as they were; these state a value no longer true:";
    for (const std::string& line : untrue) text += "\n" + QString::fromStdString(line);
    prompts_.showNotice(this, text);
  }
}

QString ParametersDialog::prepareResultDirectory(bool& created) {
  const QString dir = directoryField->text();
  if (dir.trimmed().isEmpty()) return "Give a result directory: the run writes its files into it.";
  const QFileInfo info(dir);
  if (info.exists() && !info.isDir()) return "The result directory '" + dir + "' is a file, not a directory.";
  if (info.exists()) return QString();
  if (!QDir().mkpath(dir)) return "Cannot create the result directory '" + dir + "'.";
  created = true;
  return QString();
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
