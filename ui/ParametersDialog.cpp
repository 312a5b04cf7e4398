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
#include "io/Limits.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "ui/StepButtons.h"
#include "ui/UserPrompts.h"
#include "ui/KeepWorkingDirectory.h"

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

TParametersDlg::TParametersDlg(QWidget* parent, RunFiles& files, UserPrompts* prompts)
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

void TParametersDlg::buildLayout() {
  Bevel1 = new QFrame(this);
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 217, 209);

  struct Row {
    QLabel*& label;
    const char* labelName;
    const char* caption;
    QLineEdit*& field;
    const char* fieldName;
    UpDown*& upDown;
    const char* upDownName;
    int max, step;
  };
  const Row rows[] = {
      {Label1, "Label1", "Number of agents", NumAgentEdit, "NumAgentEdit", UpDown1, "UpDown1", 500, 1},
      {Label2, "Label2", "Start week", StartGenEdit, "StartGenEdit", UpDown2, "UpDown2", 1000, 10},
      {Label3, "Label3", "End week", EndGenEdit, "EndGenEdit", UpDown3, "UpDown3", 1000, 10},
      {Label4, "Label4", "Length of training", TrainingLEdit, "TrainingLEdit", UpDown4, "UpDown4", 1000, 10},
      {Label5, "Label5", "Simulation times", SimTimesEdit, "SimTimesEdit", UpDown5, "UpDown5", 500, 1},
      {Label7, "Label7", "Training times", TrainingTimesEdit, "TrainingTimesEdit", UpDown6, "UpDown6", 500, 1},
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
    r.upDown = new UpDown(r.field, 0, r.max, r.step, this);
    r.upDown->setObjectName(r.upDownName);
    r.upDown->setGeometry(201, top, 16, 20);
    top += 24;
  }

  Label6 = new QLabel("Directory", this);
  Label6->setObjectName("Label6");
  Label6->move(24, 162);
  Label6->adjustSize();
  DirEdit = new QLineEdit(this);
  DirEdit->setObjectName("DirEdit");
  DirEdit->setGeometry(80, 160, 105, 20);
  DirBtn = new QPushButton("Dir", this);
  DirBtn->setObjectName("DirBtn");
  DirBtn->setGeometry(192, 160, 25, 25);
  PriceBtn = new QPushButton("Price file", this);
  PriceBtn->setObjectName("PriceBtn");
  PriceBtn->setGeometry(48, 192, 57, 17);
  DataBtn = new QPushButton("Data file", this);
  DataBtn->setObjectName("DataBtn");
  DataBtn->setGeometry(128, 192, 57, 17);
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(207, 228, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Cansel", this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(287, 228, 75, 25);
  for (QPushButton* b : {DirBtn, PriceBtn, DataBtn, CancelBtn}) b->setAutoDefault(false);

  Chart1 = new Chart(this);
  Chart1->setObjectName("Chart1");
  Chart1->setGeometry(232, 8, 345, 209);
  Chart1->setChartTitle("Price");
  Chart1->setLegend(LegendPlace::Bottom);
  // Drawn in the run's weeks, not in lines of the file.
  Chart1->setAxisTitles("Week (price-file line - 5)", "Rate (log)");
  Series1 = Chart1->addFastLine("All", Qt::black, 1);
  Series2 = Chart1->addFastLine("Training", Qt::blue, 2);
  Series3 = Chart1->addFastLine("Forecast", Qt::red, 2);

  // Below the fields: what is wrong with the weeks; right of the buttons:
  // the files the next run will read.
  WeekWarning = smallLabel(this, "WeekWarning", QRect(8, 219, 195, 40));
  WeekWarning->setWordWrap(true);
  QPalette warning = WeekWarning->palette();
  warning.setColor(QPalette::WindowText, QColor(190, 0, 0));
  WeekWarning->setPalette(warning);
  PriceFileLabel = smallLabel(this, "PriceFileLabel", QRect(370, 224, 213, 15));
  DataFileLabel = smallLabel(this, "DataFileLabel", QRect(370, 241, 213, 15));

  connect(StartGenEdit, &QLineEdit::textChanged, this, &TParametersDlg::StartGenEditChange);
  connect(EndGenEdit, &QLineEdit::textChanged, this, &TParametersDlg::EndGenEditChange);
  connect(TrainingLEdit, &QLineEdit::textChanged, this, &TParametersDlg::TrainingLEditChange);
  connect(OKBtn, &QPushButton::clicked, this, &TParametersDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TParametersDlg::CancelBtnClick);
  connect(DirBtn, &QPushButton::clicked, this, &TParametersDlg::DirBtnClick);
  connect(PriceBtn, &QPushButton::clicked, this, &TParametersDlg::PriceBtnClick);
  connect(DataBtn, &QPushButton::clicked, this, &TParametersDlg::DataBtnClick);
}

void TParametersDlg::reportError(const QString& message) { prompts_.showError(this, message); }

void TParametersDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window system restoring it is no new showing
  if (!centred_) {
    centred_ = true;
    if (QScreen* s = screen()) {
      const QRect frame = frameGeometry();
      move(s->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
  }
  FormShow();
}

void TParametersDlg::FormShow() {
  DirEdit->setText(files_.resultDir);
  // Each showing starts from the run's files; what is chosen here waits
  // for OK.
  chosen_ = files_;
  showFileNames();
  // The parameter file is read even when the price file fails, so that the
  // dialog never holds a parameter set that did not come from para.txt.
  try {
    LoadPreviewPrices();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  try {
    ReadParameterFile();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TParametersDlg::LoadPreviewPrices() {
  Series1->clear();
  previewLoaded_ = false;
  showWeekWarning();
  TextReader in = TextReader::open(fileName(chosen_.priceFileName));
  previewPrices.clear();
  // Blank lines after the last price add no price of 0.
  while (in.skipToNextValue()) {
    const double price = in.readReal();
    in.skipLine();
    previewPrices.push_back(price);
    Series1->addPoint(static_cast<double>(weekOfLine(static_cast<long long>(previewPrices.size()))), price);
  }
  previewLoaded_ = true;
  showWeekWarning();
  Chart1->replot();
}

QLineEdit* TParametersDlg::fieldOf(const ParameterField& parameter) const {
  const std::string name = parameter.name;
  if (name == "popsize") return NumAgentEdit;
  if (name == "minyear") return StartGenEdit;
  if (name == "maxyear") return EndGenEdit;
  if (name == "teachyear") return TrainingLEdit;
  if (name == "simtimes") return SimTimesEdit;
  if (name == "nsample") return TrainingTimesEdit;
  return nullptr;
}

void TParametersDlg::ReadParameterFile() {
  parametersRead_ = false;
  TextReader in = TextReader::open(kParameterFile);
  // Each edited value is shown as soon as it is read: a line that fails
  // leaves the values before it read and shown.
  readParameters(in, parameters, [this](const ParameterField& parameter) {
    if (QLineEdit* field = fieldOf(parameter)) field->setText(QString::number(parameters.*parameter.whole));
  });
  parametersRead_ = true;
  DrawPreviewSegments();
}

void TParametersDlg::WriteParameterFile() { writeParameterFile(kParameterFile, parameters); }

// The spans as the run takes them: training from the start week for the
// length of training, then simulation up to the end week; each cut to the
// weeks the price file holds.
void TParametersDlg::DrawPreviewSegments() {
  Series2->clear();
  Series3->clear();
  const long long first = kFirstWeek, last = lastPreviewWeek();
  const long long start = parameters.minyear;
  const long long lastTraining = start + parameters.teachyear - 1;
  const auto price = [this](long long w) { return previewPrices[static_cast<std::size_t>(w - first)]; };
  for (long long w = std::max(start, first); w <= std::min(lastTraining, last); ++w)
    Series2->addPoint(static_cast<double>(w), price(w));
  for (long long w = std::max({start, lastTraining + 1, first}); w <= std::min<long long>(parameters.maxyear, last);
       ++w)
    Series3->addPoint(static_cast<double>(w), price(w));
  showWeekWarning();
  Chart1->replot();
}

long long TParametersDlg::lastPreviewWeek() const { return weekOfLine(static_cast<long long>(previewPrices.size())); }

// Why the weeks do not fit the price file, or nothing while they do or the
// file could not be read.
QString TParametersDlg::weekProblem() const {
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

void TParametersDlg::showWeekWarning() { WeekWarning->setText(weekProblem()); }

void TParametersDlg::showFileNames() {
  const std::pair<QLabel*, std::pair<const char*, const QString*>> rows[] = {
      {PriceFileLabel, {"Price file: ", &chosen_.priceFileName}},
      {DataFileLabel, {"Data file: ", &chosen_.dataFileName}}};
  for (const auto& [label, row] : rows) {
    const QString text = row.first + *row.second;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
    label->setToolTip(QDir::toNativeSeparators(*row.second));
  }
}

void TParametersDlg::weekFieldChanged(QLineEdit* field, int& value) {
  try {
    value = wholeNumber(field->text());
  } catch (const RunError& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  DrawPreviewSegments();
}

void TParametersDlg::StartGenEditChange() { weekFieldChanged(StartGenEdit, parameters.minyear); }
void TParametersDlg::EndGenEditChange() { weekFieldChanged(EndGenEdit, parameters.maxyear); }
void TParametersDlg::TrainingLEditChange() { weekFieldChanged(TrainingLEdit, parameters.teachyear); }

void TParametersDlg::OKBtnClick() {
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
    WriteParameterFile();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  files_.resultDir = DirEdit->text();
  files_.priceFileName = chosen_.priceFileName;
  files_.dataFileName = chosen_.dataFileName;
  hide();
}

void TParametersDlg::CancelBtnClick() { hide(); }

void TParametersDlg::reject() { CancelBtnClick(); }

void TParametersDlg::DirBtnClick() {
  KeepWorkingDirectory keep;
  const QString folder = prompts_.chooseFolder(this, "Seclect directory.", keep.base());
  if (!folder.isEmpty()) DirEdit->setText(relativeTo(keep.base(), folder));
}

void TParametersDlg::PriceBtnClick() {
  KeepWorkingDirectory keep;
  const QString file = prompts_.chooseFile(this, keep.base(), kFileFilters);
  if (file.isEmpty()) return;
  // Chosen, not yet taken: the run gets the name at OK.
  chosen_.priceFileName = relativeTo(keep.base(), file);
  showFileNames();
  try {
    LoadPreviewPrices();
    DrawPreviewSegments();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TParametersDlg::DataBtnClick() {
  KeepWorkingDirectory keep;
  const QString file = prompts_.chooseFile(this, keep.base(), kFileFilters);
  if (file.isEmpty()) return;
  chosen_.dataFileName = QFileInfo(file).absoluteFilePath();
  showFileNames();
}

}  // namespace vk
