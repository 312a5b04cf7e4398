#include "ui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <vector>

#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "io/RunError.h"
#include "run/EarlierRun.h"
#include "run/Parameters.h"
#include "run/RunDriver.h"
#include "ui/FlatProgressBar.h"
#include "ui/StepButtons.h"
#include "ui/UserPrompts.h"
#include "ui/ParametersDialog.h"

namespace vk {

namespace {

// Swallows the user's clicks, keys and wheel turns while it is installed.
class InputSwallower : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
        return true;
      default:
        return false;
    }
  }
};

// A run keeps the event loop waiting, so what the user clicked or typed
// meanwhile is still queued when it returns and would act only now, on the
// finished run: a second click on Start would start a second run. The window
// reacts to no input during a run, so that input is dropped.
void dropInputQueuedDuringRun() {
  InputSwallower swallower;
  QCoreApplication::instance()->installEventFilter(&swallower);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&swallower);
}

const QColor kSkyBlue(166, 202, 240);
const QColor kOrange(255, 128, 0);
const QColor kTeal(0, 128, 128);

QPixmap builtInImage(bool play) {
  QPixmap image(16, 16);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  if (play) {
    p.setBrush(QColor(0, 160, 0));
    p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(13, 8), QPointF(4, 14)}));
  } else {
    p.setBrush(Qt::black);
    p.drawRect(QRectF(4, 4, 8, 8));
  }
  return image;
}

// The layout places a group's controls 16 pixels below its top, which is
// below the frame only when the frame's top line runs through the middle of
// the title; the toolkit's own look draws the title above the frame and
// lets the controls cross its line.
QGroupBox* groupAt(const QString& title, QWidget* parent, const QRect& place) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(place);
  group->setStyleSheet(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0 2px; }");
  return group;
}

QLabel* labelAt(const QString& text, QWidget* parent, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QPushButton* buttonAt(const QString& text, QWidget* parent, const QRect& place) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(place);
  return button;
}

QFrame* panelAt(QWidget* parent, const QRect& place) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(place);
  return panel;
}

// The label's font at the given pixel size, narrowed and then made smaller
// only as far as needed for the text to fit in the label.
QFont fittingFont(const QLabel* label, int pixelSize) {
  QFont f = label->font();
  f.setPixelSize(pixelSize);
  const int room = label->contentsRect().width() - 4;
  if (QFontMetrics(f).horizontalAdvance(label->text()) > room) f.setStretch(QFont::SemiCondensed);
  while (pixelSize > 9 && QFontMetrics(f).horizontalAdvance(label->text()) > room) f.setPixelSize(--pixelSize);
  return f;
}

std::string fileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

bool holdsRunFiles(const QString& dir) {
  QDir d(dir);
  if (!d.exists()) return false;
  // QDir matches names without regard to letter case unless told otherwise.
  return !d.entryList({"r*.csv"}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

TForm1::TForm1(UserPrompts* prompts) : QWidget(nullptr), prompts_(prompts ? *prompts : UserPrompts::standard()) {
  setObjectName("Form1");
  setWindowTitle("VELQUIN KRA");
  setFixedSize(767, 565);
  // The layout's pixel places were made for a small dialog font.
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);
  buildLayout();
  buildCharts();
  viewer_ =
      std::make_unique<PathViewer>(ViewerCharts{Chart1, Series1, Series2, Chart2, Series3, Series4, Chart3, Series5},
                                   static_cast<ViewerControls&>(*this));

  rateTarget_ = pacer_.add([this] { Chart1->repaintNow(); });
  supplyDemandTarget_ = pacer_.add([this] { Chart2->repaintNow(); });
  weightsTarget_ = pacer_.add([this] { Chart3->repaintNow(); });
  weekRowTarget_ = pacer_.add([this] { paintProgressRow(Edit1, ProgressBar1, weekPercent_); });
  pathRowTarget_ = pacer_.add([this] { paintProgressRow(Edit2, ProgressBar2, pathPercent_); });
  logTarget_ = pacer_.add([this] { Memo1->repaint(); });

  connectHandlers();
  giveButtonsKeys();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildLayout() {
  StaticText1 = new QLabel("VELQUIN KRA - Artificial Market Simulator", this);
  StaticText1->setGeometry(248, 0, 277, 19);
  StaticText1->setAlignment(Qt::AlignCenter);
  StaticText1->setFrameStyle(QFrame::Box | QFrame::Plain);
  StaticText1->setAutoFillBackground(true);
  QPalette banner = StaticText1->palette();
  banner.setColor(QPalette::Window, kSkyBlue);
  StaticText1->setPalette(banner);
  StaticText1->setFont(fittingFont(StaticText1, 15));

  GroupBox1 = groupAt("Simulation", this, QRect(8, 16, 137, 105));
  SettingBtn = buttonAt("Setting", GroupBox1, QRect(16, 16, 105, 25));
  StartBtn = buttonAt("Start", GroupBox1, QRect(16, 48, 105, 25));
  StartBtn->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  GraphCheck = new QCheckBox("Graph", GroupBox1);
  // 49 pixels wide in the layout; wider when the font needs it for "Graph".
  GraphCheck->setGeometry(40, 80, std::max(49, GraphCheck->sizeHint().width()), 17);
  GraphCheck->setChecked(true);

  GroupBox2 = groupAt("Viewer", this, QRect(8, 120, 137, 81));
  Label6 = labelAt("Path", GroupBox2, 8, 18);
  NumPath = new QLineEdit("0", GroupBox2);
  NumPath->setGeometry(32, 16, 33, 20);
  UpDown1 = new UpDown(NumPath, 0, 100, 1, GroupBox2);
  UpDown1->setGeometry(65, 16, 16, 20);
  UpDown1->setPosition(0);
  ViewStartBtn = buttonAt(QString(), GroupBox2, QRect(80, 16, 17, 17));
  ViewStopBtn = buttonAt(QString(), GroupBox2, QRect(96, 16, 17, 17));
  for (QPushButton* b : {ViewStartBtn, ViewStopBtn}) {
    b->setIconSize(QSize(15, 15));
    b->setFlat(false);
  }
  ViewStartBtn->setIcon(builtInImage(true));
  ViewStopBtn->setIcon(builtInImage(false));
  Label7 = labelAt("Speed", GroupBox2, 56, 40);
  ScrollBar1 = new QScrollBar(Qt::Horizontal, GroupBox2);
  ScrollBar1->setGeometry(8, 56, 121, 17);
  ScrollBar1->setRange(0, 100);
  ScrollBar1->setValue(50);

  GroupBox3 = groupAt("Analyzer", this, QRect(8, 200, 137, 169));
  PathPlotBtn = buttonAt("Paths plot", GroupBox3, QRect(8, 16, 121, 25));
  ContPlotBtn = buttonAt("Contour plot", GroupBox3, QRect(8, 48, 121, 25));
  WPlotBtn = buttonAt("Weights plot", GroupBox3, QRect(8, 80, 121, 25));
  FactsPlotBtn = buttonAt("Facts plot", GroupBox3, QRect(8, 112, 121, 25));
  // Enabled once start-up has given each its window (setAnalyzerAction).
  for (QPushButton* b : {PathPlotBtn, ContPlotBtn, WPlotBtn, FactsPlotBtn}) b->setEnabled(false);

  ExitBtn = buttonAt("Exit", this, QRect(8, 376, 137, 25));
  ExitBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

  Panel3 = panelAt(this, QRect(152, 24, 609, 385));

  Panel2 = panelAt(this, QRect(8, 408, 753, 57));
  Label1 = labelAt("Period", Panel2, 8, 10);
  ProgressBar1 = new FlatProgressBar(Panel2);
  ProgressBar1->setGeometry(56, 8, 561, 17);
  Edit1 = new QLineEdit(Panel2);
  Edit1->setGeometry(656, 8, 73, 20);
  Label3 = labelAt("%", Panel2, 736, 10);
  Label2 = labelAt("Trial", Panel2, 8, 34);
  ProgressBar2 = new FlatProgressBar(Panel2);
  ProgressBar2->setGeometry(56, 32, 561, 17);
  Edit2 = new QLineEdit(Panel2);
  Edit2->setGeometry(656, 32, 73, 20);
  Label4 = labelAt("%", Panel2, 736, 34);
  for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
    bar->setRange(0, 100);
    bar->setValue(0);
  }

  Memo1 = new QPlainTextEdit(this);
  Memo1->setGeometry(8, 464, 753, 97);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  Timer1 = new QTimer(this);

  // The names by which the layout, the handlers and the tests know them.
  const std::vector<std::pair<QObject*, const char*>> names = {{StaticText1, "StaticText1"},
                                                               {GroupBox1, "GroupBox1"},
                                                               {SettingBtn, "SettingBtn"},
                                                               {StartBtn, "StartBtn"},
                                                               {GraphCheck, "GraphCheck"},
                                                               {GroupBox2, "GroupBox2"},
                                                               {Label6, "Label6"},
                                                               {NumPath, "NumPath"},
                                                               {UpDown1, "UpDown1"},
                                                               {ViewStartBtn, "ViewStartBtn"},
                                                               {ViewStopBtn, "ViewStopBtn"},
                                                               {Label7, "Label7"},
                                                               {ScrollBar1, "ScrollBar1"},
                                                               {GroupBox3, "GroupBox3"},
                                                               {PathPlotBtn, "PathPlotBtn"},
                                                               {ContPlotBtn, "ContPlotBtn"},
                                                               {WPlotBtn, "WPlotBtn"},
                                                               {FactsPlotBtn, "FactsPlotBtn"},
                                                               {ExitBtn, "ExitBtn"},
                                                               {Panel3, "Panel3"},
                                                               {Panel2, "Panel2"},
                                                               {Label1, "Label1"},
                                                               {ProgressBar1, "ProgressBar1"},
                                                               {Edit1, "Edit1"},
                                                               {Label3, "Label3"},
                                                               {Label2, "Label2"},
                                                               {ProgressBar2, "ProgressBar2"},
                                                               {Edit2, "Edit2"},
                                                               {Label4, "Label4"},
                                                               {Memo1, "Memo1"},
                                                               {Timer1, "Timer1"}};
  for (const auto& [object, name] : names) object->setObjectName(name);
}

void TForm1::buildCharts() {
  Chart1 = new Chart(Panel3);
  Chart1->setObjectName("Chart1");
  Chart1->setGeometry(8, 0, 593, 209);
  // The charts below cover the lowest 9 pixels; keep the axis out of them.
  Chart1->setContentsMargins(0, 0, 0, 9);
  Chart1->setChartTitle("Rate", false);
  Chart1->setLegend(LegendPlace::Right, false, 48);
  Chart1->setAxisTitles("Week", "Rate (log)");
  Series1 = Chart1->addFastLine("Actual", Qt::red, 2);
  Series2 = Chart1->addFastLine("Simulation", Qt::blue, 2);

  Chart2 = new Chart(Panel3);
  Chart2->setObjectName("Chart2");
  Chart2->setGeometry(8, 200, 185, 185);
  Chart2->setChartTitle("Supply & Demand");
  Chart2->setLegend(LegendPlace::Bottom);
  Chart2->setAxisTitles("Quantity", "Price level");
  Chart2->reserveTitleRight(41);  // its Save button
  // A schedule is drawn level by level; demand falls as the level rises, so
  // its points must stay in the order given to form the steps.
  Series3 = Chart2->addStairs("Supply", kOrange, 2, XOrder::AsAdded);
  Series4 = Chart2->addStairs("Demand", kTeal, 2, XOrder::AsAdded);

  Chart3 = new Chart(Panel3);
  Chart3->setObjectName("Chart3");
  Chart3->setGeometry(192, 200, 409, 185);
  Chart3->setChartTitle("Weights");
  Chart3->setLegend(LegendPlace::Hidden);
  Chart3->setAxisTitles("Weight index", "Weight");
  Chart3->fixLeftAxis(-3.2, 3.2);
  Series5 = Chart3->addBars("Weights", Qt::red, 0.9);

  SaveBtn = buttonAt("Save", this, QRect(672, 40, 41, 17));
  SaveBtn2 = buttonAt("Save", Chart2, QRect(144, 8, 33, 17));
  SaveBtn3 = buttonAt("Save", Chart3, QRect(240, 8, 41, 17));
  SaveBtn->setObjectName("SaveBtn");
  SaveBtn2->setObjectName("SaveBtn2");
  SaveBtn3->setObjectName("SaveBtn3");
  SaveBtn->raise();
}

// Keys for the buttons; their captions stay as laid out, so the tooltips
// name the keys.
void TForm1::giveButtonsKeys() {
  const std::pair<QAbstractButton*, std::pair<const char*, const char*>> keys[] = {
      {SettingBtn, {"Alt+S", "Set the run's parameters and files"}},
      {StartBtn, {"Alt+R", "Start a run with the parameters of para.txt"}},
      {GraphCheck, {"Alt+G", "Draw the live charts during a run"}},
      {ViewStartBtn, {"Alt+P", "Play or pause the replay of the path"}},
      {ViewStopBtn, {"Alt+O", "Stop the replay"}},
      {PathPlotBtn, {"Alt+1", "Summarise the paths of the result directory"}},
      {ContPlotBtn, {"Alt+2", "Count the paths on a grid of weeks and rates"}},
      {WPlotBtn, {"Alt+3", "Average the agents' weights over the paths"}},
      {FactsPlotBtn, {"Alt+4", "Compare the stylized facts of the paths with the actual rate"}},
      {ExitBtn, {"Ctrl+Q", "Close the program"}},
  };
  for (const auto& [button, key] : keys) {
    button->setShortcut(QKeySequence(key.first));
    button->setToolTip(QString("%1 (%2)").arg(key.second, key.first));
  }
  for (QPushButton* save : {SaveBtn, SaveBtn2, SaveBtn3}) save->setToolTip("Save the chart as PNG, SVG or PDF");
}

void TForm1::connectHandlers() {
  connect(SettingBtn, &QPushButton::clicked, this, &TForm1::SettingBtnClick);
  connect(StartBtn, &QPushButton::clicked, this, &TForm1::StartBtnClick);
  connect(NumPath, &QLineEdit::textChanged, this, &TForm1::NumPathChange);
  connect(ViewStartBtn, &QPushButton::clicked, this, &TForm1::ViewStartBtnClick);
  connect(ViewStopBtn, &QPushButton::clicked, this, &TForm1::ViewStopBtnClick);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TForm1::ScrollBar1Change);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(ExitBtn, &QPushButton::clicked, this, &TForm1::ExitBtnClick);
  connect(SaveBtn, &QPushButton::clicked, this, [this] { exportChart(this, *Chart1); });
  connect(SaveBtn2, &QPushButton::clicked, this, [this] { exportChart(this, *Chart2); });
  connect(SaveBtn3, &QPushButton::clicked, this, [this] { exportChart(this, *Chart3); });
}

void TForm1::FormCreate() {
  Timer1->stop();
  ScrollBar1Change();
  runFiles = RunFiles();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (centred_ || event->spontaneous()) return;
  centred_ = true;
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
}

void TForm1::reportError(const QString& message) { prompts_.showError(this, message); }

void TForm1::setAnalyzerAction(QPushButton* button, std::function<void(const QString&)> open) {
  button->setEnabled(true);
  connect(button, &QPushButton::clicked, this, [this, open] { open(runFiles.resultDir); });
}

// ---- handlers ----

void TForm1::SettingBtnClick() {
  if (!parametersDlg_) return;
  // A dialog already open keeps the files chosen in it until OK or Cansel;
  // it only comes to the front.
  if (!parametersDlg_->isVisible()) parametersDlg_->show();
  parametersDlg_->raise();
  parametersDlg_->activateWindow();
}

// Asks before a run overwrites results, and says how many files of an
// earlier run it would leave beside its own. False when the run must not start.
bool TForm1::confirmRunOver(const std::string& dir) {
  std::vector<std::string> earlier;
  try {
    earlier = earlierRunFiles(dir, readParameterFile("para.txt"));
  } catch (const std::exception&) {
    // The run reports the parameter file itself.
  }
  if (earlier.empty()) return !holdsRunFiles(runFiles.resultDir) || prompts_.confirmOverwrite(this);
  const QString what = QString::fromStdString(describeEarlierRunFiles(dir, earlier));
  const QString folder = QString::fromStdString(nextEarlierRunFolder(dir));
  switch (prompts_.confirmOverwriteEarlier(this, what, folder)) {
    case EarlierRunAnswer::No:
      return false;
    case EarlierRunAnswer::Keep:
      return true;
    case EarlierRunAnswer::MoveAside:
      break;
  }
  try {
    const std::string moved = moveEarlierRunFiles(dir, earlier);
    AppendLog("Moved " + fileCount(earlier.size()) + " of an earlier run into " + dir + "/" + moved + ".");
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void TForm1::StartBtnClick() {
  if (!confirmRunOver(fileName(runFiles.resultDir))) return;
  // The charts now belong to the run; a replay must not go on drawing into
  // them when the run returns.
  try {
    viewer_->stop();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  setPathControlsEnabled(false);
  clearProgressRows();
  // The run's charts scale to the run, not to a replay before it, and the
  // path the viewer loaded may be rewritten.
  Chart1->releaseLeftAxis();
  Chart1->setNote(QString());
  viewer_->forget();
  // Where the question's box stood, the window is painted anew now: the run
  // lets no paint request through, and with Graph off it would not repaint
  // the charts under the box itself. The window system reports the uncovered
  // area only once the box is gone, so its reports are let in for a moment.
  repaintUncovered();
  QString failure;
  try {
    RunSimulation(fileName(runFiles.resultDir), fileName(runFiles.priceFileName), fileName(runFiles.dataFileName),
                  *this);
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
    // The log keeps the end of every run it began, also of one that failed.
    AppendLog("Simulation stopped: " + failure.toStdString());
  }
  pacer_.flush();
  dropInputQueuedDuringRun();
  setPathControlsEnabled(true);
  if (!failure.isEmpty()) reportError(failure);
}

void TForm1::NumPathChange() {
  try {
    viewer_->changePath(NumPath->text(), fileName(runFiles.resultDir));
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TForm1::ViewStartBtnClick() {
  try {
    // Play replays the path the field names, loaded now if the charts show
    // another one (or none yet, or one a run has since rewritten).
    if (viewer_->state() == ViewerState::Stopped && !viewer_->shows(NumPath->text(), fileName(runFiles.resultDir)))
      viewer_->changePath(NumPath->text(), fileName(runFiles.resultDir));
    viewer_->playOrPause();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TForm1::ViewStopBtnClick() {
  try {
    viewer_->stop();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TForm1::ScrollBar1Change() { Timer1->setInterval(101 - ScrollBar1->value()); }

void TForm1::Timer1Timer() {
  try {
    viewer_->tick();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void TForm1::ExitBtnClick() { close(); }

// ---- the viewer's hold on the window ----

void TForm1::setPathControlsEnabled(bool enabled) {
  NumPath->setEnabled(enabled);
  UpDown1->setEnabled(enabled);
}

void TForm1::setTimerRunning(bool running) {
  if (running)
    Timer1->start();
  else
    Timer1->stop();
}

void TForm1::showButtonImage(ButtonImage image) {
  // Read anew each time from the working directory, so that the images can
  // be replaced while the program runs.
  const QString name = image == ButtonImage::Pause ? "Pause.bmp" : "Start.bmp";
  QImageReader reader(QDir::current().filePath(name));
  QImage picture;
  if (!reader.read(&picture))
    throw RunError("Cannot read image file '" + name.toStdString() + "': " + reader.errorString().toStdString());
  ViewStartBtn->setIcon(QPixmap::fromImage(picture));
}

// ---- display operations ----

void TForm1::AppendLog(const std::string& text) {
  Memo1->appendPlainText(QString::fromStdString(text));
  pacer_.changed(logTarget_);
}

// The row takes the latest percentage only when it is painted: between two
// paintings a run passes many it would be pointless to lay out.
void TForm1::setProgress(int& shown, int percent, int target) {
  if (percent == shown) {
    pacer_.catchUp();
    return;
  }
  shown = percent;
  pacer_.changed(target);
}

void TForm1::paintProgressRow(QLineEdit* field, QProgressBar* bar, int percent) {
  field->setText(QString::number(percent));
  bar->setValue(percent);
  // One painting for the row: the field, the bar and the panel beneath them.
  const QRect row = bar->geometry().united(field->geometry());
  field->parentWidget()->repaint(row);
}

void TForm1::repaintUncovered() {
  // An event loop that sleeps until the moment is over: calling
  // processEvents until then kept the processor busy for all of it.
  QEventLoop moment;
  QTimer::singleShot(60, &moment, &QEventLoop::quit);
  moment.exec(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

// A new run starts from empty rows, not from what the last run reached.
void TForm1::clearProgressRows() {
  weekPercent_ = pathPercent_ = -1;
  for (QLineEdit* field : {Edit1, Edit2}) field->clear();
  for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) bar->setValue(0);
  Panel2->repaint();
}

void TForm1::SetWeekProgress(int percent) { setProgress(weekPercent_, percent, weekRowTarget_); }

void TForm1::SetPathProgress(int percent) {
  setProgress(pathPercent_, percent, pathRowTarget_);
  // The end of a path: whatever it drew last is shown before the next begins.
  pacer_.flush();
}

void TForm1::ClearActualSeries() { Series1->clear(); }

void TForm1::AddActualPoint(int week, double rate) { Series1->addPoint(week, rate); }

void TForm1::RedrawRateChart() { pacer_.changed(rateTarget_); }

void TForm1::ClearSimulationSeries() { Series2->clear(); }

bool TForm1::GraphEnabled() { return GraphCheck->isChecked(); }

void TForm1::AddSimulationPoint(int week, double rate) {
  Series2->addPoint(week, rate);
  pacer_.changed(rateTarget_);
}

void TForm1::ShowWeights(const double* means, int n) {
  Series5->clear();
  for (int k = 1; k <= n; ++k) Series5->addPoint(k, means[k - 1]);
  pacer_.changed(weightsTarget_);
}

void TForm1::ShowSupplyDemand(int ndiv, const double* supply, const double* demand) {
  Series3->clear();
  Series4->clear();
  for (int k = -ndiv; k <= ndiv; ++k) {
    const int i = k + ndiv;
    Series3->addPoint(supply[i], k);
    Series3->addPoint(supply[i], k + 1);
    Series4->addPoint(demand[i], k);
    Series4->addPoint(demand[i], k + 1);
  }
  pacer_.changed(supplyDemandTarget_);
}

}  // namespace vk
