#include "ui/paraset.h"

#include <QDir>
#include <QFile>
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
#include "ui/AgeForm.h"
#include "ui/UpDown.h"
#include "ui/UserPrompts.h"
#include "ui/WorkingDirectory.h"

namespace vk {

namespace {

const char* const kParameterFile = "para.txt";

std::string fileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

int wholeNumber(const QString& text) {
  int value;
  if (!parseInt(text.toStdString(), value))
    throw RunError("'" + text.toStdString() + "' is not a valid integer value");
  return value;
}

const QList<QPair<QString, QString>> kFileFilters = {{"Text (*.txt) ", "*.txt"}, {" All files ", "*"}};

}  // namespace

TParametersDlg::TParametersDlg(TForm1& mainWindow, UserPrompts* prompts)
    : QDialog(&mainWindow), main_(mainWindow), prompts_(prompts ? *prompts : UserPrompts::standard()) {
  setObjectName("ParametersDlg");
  setWindowTitle("Parameters");
  setModal(false);
  setFixedSize(591, 263);
  priceFileName = main_.priceFileName;
  dataFileName = main_.dataFileName;
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
  Series1 = Chart1->addFastLine("All", Qt::black, 1);
  Series2 = Chart1->addFastLine("Training", Qt::blue, 2);
  Series3 = Chart1->addFastLine("Forecast", Qt::red, 2);

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
  DirEdit->setText(main_.resultDir);
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
  TextReader in = TextReader::open(fileName(priceFileName));
  previewPrices.clear();
  // Blank lines after the last price add no price of 0.
  while (in.skipToNextValue()) {
    const double price = in.readReal();
    in.skipLine();
    previewPrices.push_back(price);
    Series1->addPoint(static_cast<double>(previewPrices.size()), price);
  }
  Chart1->replot();
}

void TParametersDlg::ReadParameterFile() {
  parametersRead_ = false;
  TextReader in = TextReader::open(kParameterFile);
  Parameters& p = parameters;
  // Field by field: a line that fails leaves the values before it read and
  // shown, as far as the file could be read.
  p.delta = readRealLine(in);
  p.ndiv = readIntLine(in);
  p.trend1 = readRealLine(in);
  p.trend2 = readRealLine(in);
  p.trend3 = readRealLine(in);
  p.popsize = readIntLine(in);
  NumAgentEdit->setText(QString::number(p.popsize));
  p.minyear = readIntLine(in);
  StartGenEdit->setText(QString::number(p.minyear));
  p.maxyear = readIntLine(in);
  EndGenEdit->setText(QString::number(p.maxyear));
  p.teachyear = readIntLine(in);
  TrainingLEdit->setText(QString::number(p.teachyear));
  p.pcross1 = readRealLine(in);
  p.pmutation1 = readRealLine(in);
  p.gap1 = readRealLine(in);
  p.pcross2 = readRealLine(in);
  p.pmutation2 = readRealLine(in);
  p.gap2 = readRealLine(in);
  p.simtimes = readIntLine(in);
  SimTimesEdit->setText(QString::number(p.simtimes));
  p.nsample = readIntLine(in);
  TrainingTimesEdit->setText(QString::number(p.nsample));
  p.runMode = in.readLineText(kModeWordLength);
  parametersRead_ = true;
  DrawPreviewSegments();
}

void TParametersDlg::WriteParameterFile() { writeParameterFile(kParameterFile, parameters); }

void TParametersDlg::DrawPreviewSegments() {
  const long long n = static_cast<long long>(previewPrices.size());
  Series2->clear();
  Series3->clear();
  if (n > 0) {
    const long long s = std::clamp<long long>(parameters.minyear, 1, n);
    const long long e = std::clamp<long long>(parameters.maxyear, 1, n);
    // A negative length of training would start the forecast before week 1,
    // where there is no price.
    const long long t = std::clamp<long long>(s + parameters.teachyear, 1, n);
    const auto price = [this](long long w) { return previewPrices[static_cast<std::size_t>(w - 1)]; };
    for (long long w = s; w <= t - 1; ++w) Series2->addPoint(static_cast<double>(w), price(w));
    for (long long w = t; w <= e; ++w) Series3->addPoint(static_cast<double>(w), price(w));
  }
  Chart1->replot();
}

void TParametersDlg::weekFieldChanged(QLineEdit* field, int& value) {
  try {
    value = wholeNumber(field->text());
  } catch (const RunError& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  const long long count = static_cast<long long>(previewPrices.size());
  if (parameters.minyear < count && parameters.maxyear <= count) DrawPreviewSegments();
}

void TParametersDlg::StartGenEditChange() { weekFieldChanged(StartGenEdit, parameters.minyear); }
void TParametersDlg::EndGenEditChange() { weekFieldChanged(EndGenEdit, parameters.maxyear); }
void TParametersDlg::TrainingLEditChange() { weekFieldChanged(TrainingLEdit, parameters.teachyear); }

void TParametersDlg::OKBtnClick() {
  Parameters& p = parameters;
  try {
    p.popsize = wholeNumber(NumAgentEdit->text());
    p.minyear = wholeNumber(StartGenEdit->text());
    p.maxyear = wholeNumber(EndGenEdit->text());
    p.teachyear = wholeNumber(TrainingLEdit->text());
    p.simtimes = wholeNumber(SimTimesEdit->text());
    p.nsample = wholeNumber(TrainingTimesEdit->text());
  } catch (const RunError& e) {
    reportError(QString::fromStdString(e.what()));
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
  main_.resultDir = DirEdit->text();
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
  priceFileName = relativeTo(keep.base(), file);
  main_.priceFileName = priceFileName;
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
  dataFileName = QFileInfo(file).absoluteFilePath();
  main_.dataFileName = dataFileName;
}

}  // namespace vk
