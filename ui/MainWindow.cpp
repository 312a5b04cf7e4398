#include "ui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>

#include <qwt_plot_canvas.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "analysis/EarlierRun.h"
#include "analysis/FactsSummary.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "model/Seed.h"
#include "run/ParameterFile.h"
#include "run/RunDriver.h"
#include "ui/FlatProgressBar.h"
#include "ui/ParametersDialog.h"
#include "ui/RunNote.h"
#include "ui/StepButtons.h"
#include "ui/UserPrompts.h"

namespace vk {

namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kOrange(255, 128, 0);
const QColor kTeal(0, 128, 128);
const QSize kLayoutSize(767, 565);
// The bar under the log while another folder is viewed; the layout above
// it stays as it is.
const int kViewingBarHeight = 26;

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
  if (!QDir(dir).exists()) return false;
  // Matched here, in any letter case, and the first match answers: a name
  // filter compiles a pattern at every call, which cost every Start more
  // than reading the folder.
  QDirIterator entries(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (entries.hasNext()) {
    entries.next();
    const QString name = entries.fileName();
    if (name.size() >= 5 && name.startsWith('r', Qt::CaseInsensitive) && name.endsWith(".csv", Qt::CaseInsensitive))
      return true;
  }
  return false;
}

MainWindow::MainWindow(UserPrompts* prompts)
    : QWidget(nullptr), prompts_(prompts ? *prompts : UserPrompts::standard()) {
  setObjectName("Form1");
  setWindowTitle("VELQUIN KRA");
  // The layout's size is the default and the least; a larger window gives
  // the charts the room.
  setMinimumSize(kLayoutSize);
  resize(kLayoutSize);
  // The layout's pixel places were made for a small dialog font.
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);
  buildLayout();
  buildCharts();
  viewer_ = std::make_unique<PathViewer>(ViewerCharts{rateChart, actualSeries, simulationSeries, supplyDemandChart,
                                                      supplySeries, demandSeries, weightsChart, weightSeries},
                                         static_cast<ViewerControls&>(*this));

  // A chart's replot() marks its plotting area, and the axes whose scales
  // changed, for the window's painting.
  rateTarget_ = pacer_.add([this] { showRateChart(); });
  supplyDemandTarget_ = pacer_.add([this] { showSupplyDemand(); });
  weightsTarget_ = pacer_.add([this] { showWeights(); });
  weekRowTarget_ = pacer_.add([this] { showProgressRow(weekPercentField, weekBar, weekPercent_); });
  pathRowTarget_ = pacer_.add([this] { showProgressRow(pathPercentField, pathBar, pathPercent_); });
  // The Errors window reads the report and shows its rows at the pacer's
  // pace too: a table painted at every path cost the run as much as the
  // charts.
  errorsTarget_ = pacer_.add([this] { errorsWindow->readReport(true); });
  // The status line takes the run's path and time left when it is painted:
  // set at every path, the label was laid out for texts no one saw.
  statusTarget_ = pacer_.add([this] { showRunStatus(); });
  // Whatever else changed in the window during a run, such as the log and
  // the status line: painted with the rest.
  windowTarget_ = pacer_.add([this] { showLogLines(); });
  pacer_.setPresenter([this] { paintMarked(); });

  run_ = std::make_unique<RunThread>(static_cast<Display&>(*this),
                                     [this](RunEnd end, const QString& failure) { runFinished(end, failure); });
  connectHandlers();
  giveButtonsKeys();
  resetState();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout() {
  banner = new QLabel("VELQUIN KRA - Artificial Market Simulator", this);
  banner->setGeometry(248, 0, 277, 19);
  banner->setAlignment(Qt::AlignCenter);
  banner->setFrameStyle(QFrame::Box | QFrame::Plain);
  banner->setAutoFillBackground(true);
  QPalette sky = banner->palette();
  sky.setColor(QPalette::Window, kSkyBlue);
  banner->setPalette(sky);
  banner->setFont(fittingFont(banner, 15));

  buildSimulationGroup();
  buildViewerGroup();
  buildAnalyzerGroup();
  exitButton = buttonAt("Exit", this, QRect(8, 376, 137, 25));
  exitButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  chartPanel = panelAt(this, QRect(152, 24, 609, 385));
  buildProgressPanel();

  logView = new QPlainTextEdit(this);
  logView->setGeometry(8, 464, 753, 97);
  logView->setLineWrapMode(QPlainTextEdit::NoWrap);
  logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  replayTimer = new QTimer(this);
  runStatus = new QLabel(this);
  runStatus->setGeometry(533, 1, 228, 18);
  runStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  errorsWindow = new ErrorsWindow(this);
  buildViewingBar();
  nameControls();
}

void MainWindow::buildViewingBar() {
  viewingBar = new QFrame(this);
  viewingBar->setObjectName("ViewingBar");
  viewingBar->setFrameStyle(QFrame::Box | QFrame::Plain);
  viewingBar->setAutoFillBackground(true);
  QPalette note = viewingBar->palette();
  note.setColor(QPalette::Window, QColor(255, 244, 200));
  viewingBar->setPalette(note);
  viewingLabel = new QLabel(viewingBar);
  viewingLabel->setObjectName("ViewingLabel");
  viewingLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  backButton = new QPushButton("Back to own results", viewingBar);
  backButton->setObjectName("BackBtn");
  backButton->setToolTip("Show the result directory that Start writes into again");
  auto* row = new QHBoxLayout(viewingBar);
  row->setContentsMargins(6, 1, 2, 1);
  row->addWidget(viewingLabel, 1);
  row->addWidget(backButton);
  viewingBar->hide();
}

void MainWindow::buildSimulationGroup() {
  simulationGroup = groupAt("Simulation", this, QRect(8, 16, 137, 105));
  settingButton = buttonAt("Setting", simulationGroup, QRect(16, 16, 105, 25));
  startButton = buttonAt("Start", simulationGroup, QRect(16, 48, 105, 25));
  startIcon_ = style()->standardIcon(QStyle::SP_DialogApplyButton);
  stopIcon_ = style()->standardIcon(QStyle::SP_BrowserStop);
  startButton->setIcon(startIcon_);
  graphCheck = new QCheckBox("Graph", simulationGroup);
  // 49 pixels wide in the layout; wider when the font needs it for "Graph".
  graphCheck->setGeometry(40, 80, std::max(49, graphCheck->sizeHint().width()), 17);
  graphCheck->setChecked(true);
}

void MainWindow::buildViewerGroup() {
  viewerGroup = groupAt("Viewer", this, QRect(8, 120, 137, 81));
  pathLabel = labelAt("Path", viewerGroup, 8, 18);
  pathField = new QLineEdit("0", viewerGroup);
  pathField->setGeometry(32, 16, 33, 20);
  pathStepper = new StepButtons(pathField, 0, 100, 1, viewerGroup);
  pathStepper->setGeometry(65, 16, 16, 20);
  pathStepper->setPosition(0);
  playButton = buttonAt(QString(), viewerGroup, QRect(80, 16, 17, 17));
  stopReplayButton = buttonAt(QString(), viewerGroup, QRect(96, 16, 17, 17));
  for (QPushButton* b : {playButton, stopReplayButton}) {
    b->setIconSize(QSize(15, 15));
    b->setFlat(false);
  }
  playButton->setIcon(builtInImage(true));
  stopReplayButton->setIcon(builtInImage(false));
  speedLabel = labelAt("Speed", viewerGroup, 56, 40);
  speedBar = new QScrollBar(Qt::Horizontal, viewerGroup);
  speedBar->setGeometry(8, 56, 121, 17);
  speedBar->setRange(0, 100);
  speedBar->setValue(50);
  speedBar->setToolTip("Replay speed: slower to the left, faster to the right");
  slowLabel = labelAt("-", viewerGroup, 10, 40);
  fastLabel = labelAt("+", viewerGroup, 0, 40);
  fastLabel->move(129 - fastLabel->fontMetrics().horizontalAdvance("+") - 2, 40);
}

void MainWindow::buildAnalyzerGroup() {
  analyzerGroup = groupAt("Analyzer", this, QRect(8, 200, 137, 169));
  pathsPlotButton = buttonAt("Paths plot", analyzerGroup, QRect(8, 16, 121, 25));
  contourPlotButton = buttonAt("Contour plot", analyzerGroup, QRect(8, 48, 121, 25));
  weightsPlotButton = buttonAt("Weights plot", analyzerGroup, QRect(8, 80, 121, 25));
  factsPlotButton = buttonAt("Facts plot", analyzerGroup, QRect(8, 112, 121, 25));
  // In the group's free foot, so the layout above it stays as it was.
  experimentsButton = buttonAt("Experiments...", analyzerGroup, QRect(8, 140, 121, 22));
  // Enabled once start-up has given each its window (setAnalyzerAction).
  for (QPushButton* b : {pathsPlotButton, contourPlotButton, weightsPlotButton, factsPlotButton}) b->setEnabled(false);
}

void MainWindow::buildProgressPanel() {
  progressPanel = panelAt(this, QRect(8, 408, 753, 57));
  weekLabel = labelAt("Period", progressPanel, 8, 10);
  weekBar = new FlatProgressBar(progressPanel);
  weekBar->setGeometry(56, 8, 561, 17);
  weekPercentField = new QLineEdit(progressPanel);
  weekPercentField->setGeometry(656, 8, 73, 20);
  weekPercentSign = labelAt("%", progressPanel, 736, 10);
  pathProgressLabel = labelAt("Trial", progressPanel, 8, 34);
  pathBar = new FlatProgressBar(progressPanel);
  pathBar->setGeometry(56, 32, 561, 17);
  pathPercentField = new QLineEdit(progressPanel);
  pathPercentField->setGeometry(656, 32, 73, 20);
  pathPercentSign = labelAt("%", progressPanel, 736, 34);
  for (QProgressBar* bar : {weekBar, pathBar}) {
    bar->setRange(0, 100);
    bar->setValue(0);
  }
}

void MainWindow::nameControls() {
  // The names by which the layout, the handlers and the tests know them.
  const std::vector<std::pair<QObject*, const char*>> names = {{banner, "StaticText1"},
                                                               {simulationGroup, "GroupBox1"},
                                                               {settingButton, "SettingBtn"},
                                                               {startButton, "StartBtn"},
                                                               {graphCheck, "GraphCheck"},
                                                               {viewerGroup, "GroupBox2"},
                                                               {pathLabel, "Label6"},
                                                               {pathField, "NumPath"},
                                                               {pathStepper, "UpDown1"},
                                                               {playButton, "ViewStartBtn"},
                                                               {stopReplayButton, "ViewStopBtn"},
                                                               {speedLabel, "Label7"},
                                                               {speedBar, "ScrollBar1"},
                                                               {analyzerGroup, "GroupBox3"},
                                                               {pathsPlotButton, "PathPlotBtn"},
                                                               {contourPlotButton, "ContPlotBtn"},
                                                               {weightsPlotButton, "WPlotBtn"},
                                                               {factsPlotButton, "FactsPlotBtn"},
                                                               {exitButton, "ExitBtn"},
                                                               {chartPanel, "Panel3"},
                                                               {progressPanel, "Panel2"},
                                                               {weekLabel, "Label1"},
                                                               {weekBar, "ProgressBar1"},
                                                               {weekPercentField, "Edit1"},
                                                               {weekPercentSign, "Label3"},
                                                               {pathProgressLabel, "Label2"},
                                                               {pathBar, "ProgressBar2"},
                                                               {pathPercentField, "Edit2"},
                                                               {pathPercentSign, "Label4"},
                                                               {logView, "Memo1"},
                                                               {replayTimer, "Timer1"},
                                                               {slowLabel, "SlowLabel"},
                                                               {fastLabel, "FastLabel"},
                                                               {runStatus, "RunStatus"}};
  for (const auto& [object, name] : names) object->setObjectName(name);
}

void MainWindow::buildCharts() {
  rateChart = new Chart(chartPanel);
  rateChart->setObjectName("Chart1");
  rateChart->setGeometry(8, 0, 593, 209);
  // The charts below cover the lowest 9 pixels; keep the axis out of them.
  rateChart->setContentsMargins(0, 0, 0, 9);
  rateChart->setChartTitle("Rate", false);
  rateChart->setLegend(LegendPlace::Right, false, 48);
  rateChart->setAxisTitles("Week", "Rate (log)");
  actualSeries = rateChart->addFastLine("Actual", Qt::red, 2);
  simulationSeries = rateChart->addFastLine("Simulation", Qt::blue, 2);

  supplyDemandChart = new Chart(chartPanel);
  supplyDemandChart->setObjectName("Chart2");
  supplyDemandChart->setGeometry(8, 200, 185, 185);
  supplyDemandChart->setChartTitle("Supply & Demand");
  supplyDemandChart->setLegend(LegendPlace::Bottom);
  supplyDemandChart->setAxisTitles("Quantity", "Price level");
  supplyDemandChart->reserveTitleRight(41);  // its Save button
  // A schedule is drawn level by level; demand falls as the level rises, so
  // its points must stay in the order given to form the steps.
  supplySeries = supplyDemandChart->addStairs("Supply", kOrange, 2, XOrder::AsAdded);
  demandSeries = supplyDemandChart->addStairs("Demand", kTeal, 2, XOrder::AsAdded);

  weightsChart = new Chart(chartPanel);
  weightsChart->setObjectName("Chart3");
  weightsChart->setGeometry(192, 200, 409, 185);
  weightsChart->setChartTitle("Weights");
  weightsChart->setLegend(LegendPlace::Hidden);
  weightsChart->setAxisTitles("Weight index", "Weight");
  weightsChart->fixLeftAxis(-3.2, 3.2);
  weightSeries = weightsChart->addBars("Weights", Qt::red, 0.9);
  // The live charts are drawn straight into the window: a run changes them
  // at nearly every painting, and a picture of each kept besides would be
  // filled and copied every time for nothing.
  for (Chart* chart : {rateChart, supplyDemandChart, weightsChart})
    if (auto* canvas = qobject_cast<QwtPlotCanvas*>(chart->canvas()))
      canvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);

  saveRateButton = buttonAt("Save", this, QRect(672, 40, 41, 17));
  saveSupplyDemandButton = buttonAt("Save", supplyDemandChart, QRect(144, 8, 33, 17));
  saveWeightsButton = buttonAt("Save", weightsChart, QRect(240, 8, 41, 17));
  saveRateButton->setObjectName("SaveBtn");
  saveSupplyDemandButton->setObjectName("SaveBtn2");
  saveWeightsButton->setObjectName("SaveBtn3");
  saveRateButton->raise();
}

// Keys for the buttons; their captions stay as laid out, so the tooltips
// name the keys.
void MainWindow::giveButtonsKeys() {
  const std::pair<QAbstractButton*, std::pair<const char*, const char*>> keys[] = {
      {settingButton, {"Alt+S", "Set the run's parameters and files"}},
      {startButton, {"Alt+R", "Start a run with the parameters of para.txt"}},
      {graphCheck, {"Alt+G", "Draw the live charts during a run"}},
      {playButton, {"Alt+P", "Play or pause the replay of the path"}},
      {stopReplayButton, {"Alt+O", "Stop the replay"}},
      {pathsPlotButton, {"Alt+1", "Summarise the paths of the result directory"}},
      {contourPlotButton, {"Alt+2", "Count the paths on a grid of weeks and rates"}},
      {weightsPlotButton, {"Alt+3", "Average the agents' weights over the paths"}},
      {factsPlotButton, {"Alt+4", "Compare the stylized facts of the paths with the actual rate"}},
      {experimentsButton, {"Alt+E", "Design, run and watch experiments of many runs"}},
      {exitButton, {"Ctrl+Q", "Close the program"}},
  };
  for (const auto& [button, key] : keys) {
    button->setShortcut(QKeySequence(key.first));
    button->setToolTip(QString("%1 (%2)").arg(key.second, key.first));
  }
  for (QPushButton* save : {saveRateButton, saveSupplyDemandButton, saveWeightsButton})
    save->setToolTip("Save the chart as PNG, SVG or PDF");
}

void MainWindow::connectHandlers() {
  connect(settingButton, &QPushButton::clicked, this, &MainWindow::openSettings);
  connect(startButton, &QPushButton::clicked, this, &MainWindow::startOrStop);
  connect(graphCheck, &QCheckBox::toggled, this, [this](bool on) { run_->setGraphEnabled(on); });
  connect(pathField, &QLineEdit::textChanged, this, &MainWindow::pathFieldChanged);
  connect(playButton, &QPushButton::clicked, this, &MainWindow::playOrPauseReplay);
  connect(stopReplayButton, &QPushButton::clicked, this, &MainWindow::stopReplay);
  connect(speedBar, &QScrollBar::valueChanged, this, &MainWindow::replaySpeedChanged);
  connect(replayTimer, &QTimer::timeout, this, &MainWindow::replayStep);
  connect(exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
  connect(backButton, &QPushButton::clicked, this, &MainWindow::viewOwnResults);
  connect(saveRateButton, &QPushButton::clicked, this, [this] { exportChart(this, *rateChart); });
  connect(saveSupplyDemandButton, &QPushButton::clicked, this, [this] { exportChart(this, *supplyDemandChart); });
  connect(saveWeightsButton, &QPushButton::clicked, this, [this] { exportChart(this, *weightsChart); });
}

void MainWindow::resetState() {
  replayTimer->stop();
  replaySpeedChanged();
  runFiles = RunFiles();
}

// What the window has beyond the layout's size goes to the charts: the
// width to all three, the height half to the rate chart and half to the two
// below it. The progress rows and the log keep their height and move down.
void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int bar = viewedDir_.isEmpty() ? 0 : kViewingBarHeight;
  const int dx = std::max(0, width() - kLayoutSize.width()), dy = std::max(0, height() - kLayoutSize.height() - bar);
  viewingBar->setGeometry(8, height() - kViewingBarHeight + 1, width() - 16, kViewingBarHeight - 3);
  if (bar) fitViewingText();
  const int top = dy / 2;
  chartPanel->setGeometry(152, 24, 609 + dx, 385 + dy);
  rateChart->setGeometry(8, 0, 593 + dx, 209 + top);
  const int supplyDemandWidth = 185 + dx * 185 / 594;
  supplyDemandChart->setGeometry(8, 200 + top, supplyDemandWidth, 185 + dy - top);
  weightsChart->setGeometry(7 + supplyDemandWidth, 200 + top, 409 + dx - (supplyDemandWidth - 185), 185 + dy - top);
  saveRateButton->move(672 + dx, 40);
  saveSupplyDemandButton->move(supplyDemandWidth - 41, 8);
  // Right of the centred title, as laid out.
  saveWeightsButton->move(240 + (weightsChart->width() - 409) / 2, 8);
  progressPanel->setGeometry(8, 408 + dy, 753 + dx, 57);
  for (FlatProgressBar* bar : {weekBar, pathBar}) bar->resize(561 + dx, bar->height());
  for (QWidget* w : std::initializer_list<QWidget*>{weekPercentField, pathPercentField}) w->move(656 + dx, w->y());
  for (QWidget* w : std::initializer_list<QWidget*>{weekPercentSign, pathPercentSign}) w->move(736 + dx, w->y());
  logView->setGeometry(8, 464 + dy, 753 + dx, 97);
  banner->move(248 + dx / 2, 0);
  runStatus->move(533 + dx, 1);
}

// During a run the toolkit's own paintings of the window, after every log
// line, status text or button that changed, wait for the pacer's: the run
// changes them hundreds of times a second, and each painting of the window
// costs the processor more than its share of the run.
bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::UpdateRequest && !presenting_ && run_ && run_->running()) {
    pacer_.changed(windowTarget_);
    return true;
  }
  return QWidget::event(event);
}

// One painting of each window, of all that the pacer's targets marked.
void MainWindow::paintMarked() {
  presenting_ = true;
  // Layouts settle first: one that changes after the painting, such as the
  // Errors window's around a summary that wrapped to more lines, would have
  // the toolkit paint its part a second time.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(errorsWindow)}) {
    if (!window->isVisible()) continue;
    QEvent paintNow(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window, &paintNow);
  }
  presenting_ = false;
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (centred_ || event->spontaneous()) return;
  centred_ = true;
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
}

void MainWindow::reportError(const QString& message) { prompts_.showError(this, message); }

void MainWindow::setAnalyzerAction(QPushButton* button, std::function<void(const QString&)> open) {
  button->setEnabled(true);
  connect(button, &QPushButton::clicked, this, [this, open] { open(viewedDir()); });
}

void MainWindow::viewFolder(const QString& dir, const QString& what) {
  if (run_->running()) {
    prompts_.showNotice(this, "A run is under way and the viewer shows it. Open " + what + " once it has ended.");
    return;
  }
  const bool grow = viewedDir_.isEmpty();
  viewedDir_ = dir;
  viewedWhat_ = what;
  viewingLabel->setToolTip("Viewing " + what + ":\n" + dir +
                           "\nThe viewer and the Analyzer buttons read it; Start writes into the result directory "
                           "of Setting and comes back to it.");
  if (grow) {
    const int height = this->height();
    viewingBar->show();
    setMinimumHeight(kLayoutSize.height() + kViewingBarHeight);
    resize(width(), height + kViewingBarHeight);
  }
  relayout();
  AppendLog("Viewing " + what.toStdString() + ": " + fileName(dir) +
            ". The viewer and the Analyzer buttons read it; Start still writes into '" + fileName(runFiles.resultDir) +
            "'.");
  showViewedFolder();
  for (const auto& action : viewChangedActions_) action(viewedDir());
}

// What is viewed and its folder's whole name when there is room, else the
// line's two ends; the tooltip holds all of it.
void MainWindow::fitViewingText() {
  const QString text = "Viewing " + viewedWhat_ + ": " + viewedDir_;
  const int room = std::max(60, viewingBar->width() - backButton->sizeHint().width() - 20);
  viewingLabel->setText(viewingLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
}

// The places of the controls for the window's size and the bar, also when
// the size stays (a maximised window).
void MainWindow::relayout() {
  QResizeEvent event(size(), size());
  resizeEvent(&event);
}

void MainWindow::viewOwnResults() {
  if (viewedDir_.isEmpty()) return;
  endViewing("Back to the result directory '" + fileName(runFiles.resultDir) + "'.");
  showViewedFolder();
}

void MainWindow::endViewing(const std::string& note) {
  viewedDir_.clear();
  viewingBar->hide();
  setMinimumSize(kLayoutSize);
  resize(width(), std::max(kLayoutSize.height(), height() - kViewingBarHeight));
  relayout();
  AppendLog(note);
  for (const auto& action : viewChangedActions_) action(viewedDir());
}

// The charts show the viewed folder's path at once, not what they showed of
// the other one.
void MainWindow::showViewedFolder() {
  stopReplay();
  viewer_->forget();
  if (pathField->text() == "0")
    pathFieldChanged();
  else
    pathField->setText("0");
}

// ---- handlers ----

void MainWindow::openSettings() {
  if (!parametersDialog_) return;
  // A dialog already open keeps the files chosen in it until OK or Cansel;
  // it only comes to the front.
  if (!parametersDialog_->isVisible()) parametersDialog_->show();
  parametersDialog_->raise();
  parametersDialog_->activateWindow();
}

// Asks before a run overwrites results, and says how many files of an
// earlier run it would leave beside its own. False when the run must not start.
bool MainWindow::confirmRunOver(const std::string& dir) {
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
    // The whole run, not only the files this run leaves: a folder of some
    // paths without their report could not be analysed.
    const MovedRun moved = moveEarlierRun(dir);
    AppendLog("Moved the earlier run (" + fileCount(moved.files) + ") into " + dir + "/" + moved.folder + ".");
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void MainWindow::startOrStop() {
  if (run_->running())
    stopRun();
  else
    startRun();
}

void MainWindow::startRun() {
  if (run_->running()) {
    prompts_.showNotice(this, "A run is under way. Stop ends it after its current week; then Start begins a new one.");
    return;
  }
  double generatorSeed = kRandomSeed;
  try {
    if (!runFiles.seed.isEmpty())
      generatorSeed = generatorSeedOf(seedNumberFromText(runFiles.seed.toStdString(), "Seed"));
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
    return;
  }
  // Said plainly here, not later as a lock file that cannot be opened.
  if (!QFileInfo(runFiles.resultDir).isDir()) {
    prompts_.showNotice(this, "The result directory '" + runFiles.resultDir +
                                  "' does not exist. Choose it, or type a new one to be created, with \"Setting\".");
    return;
  }
  if (!confirmRunOver(fileName(runFiles.resultDir))) return;
  if (!viewedDir_.isEmpty())
    endViewing("Back to the result directory '" + fileName(runFiles.resultDir) + "', which the run writes.");
  // The charts now belong to the run; a replay must not go on drawing into
  // them meanwhile.
  try {
    viewer_->stop();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  setPathControlsEnabled(false);
  clearProgressRows();
  // The run's charts scale to the run, not to a replay before it, and the
  // path the viewer loaded may be rewritten.
  rateChart->releaseLeftAxis();
  rateChart->setNote(QString());
  viewer_->forget();
  // A replay may have drawn into the rate chart since a run last showed it;
  // else the chart shows the last run's picture, which the run redraws only
  // where it differs.
  if (viewer_->rateChartDrawings() != viewerDrawingsShown_) shownSimulationRevision_ = -1;
  // Without Graph the run draws neither chart; a replay's pictures must not
  // pass for the run's.
  if (!graphCheck->isChecked()) clearLiveCharts();
  runParameters_.reset();
  try {
    runParameters_ = readParameterFile("para.txt");
  } catch (const std::exception&) {
    // The run reports the parameter file itself.
  }
  // The replay modes take their paths from filename.txt and write no report.
  reportsErrors_ = runParameters_ && (runParameters_->runMode == "write" || runParameters_->runMode == "all");
  progress_.begin(reportsErrors_ ? runParameters_->simtimes : 0);
  pathsRead_ = 0;
  if (reportsErrors_) errorsWindow->beginRun(runFiles.resultDir);
  runClock_.start();
  showRunStatus();
  startButton->setText("Stop");
  startButton->setIcon(stopIcon_);
  startButton->setToolTip("Stop the run after its current week (Alt+R)");
  const std::string dir = fileName(runFiles.resultDir), price = fileName(runFiles.priceFileName),
                    data = fileName(runFiles.dataFileName);
  runSeed_ = runFiles.seed;
  nameChartsDirectory();
  run_->start(
      [dir, price, data, generatorSeed](Display& display) { RunSimulation(dir, price, data, display, generatorSeed); },
      graphCheck->isChecked());
}

void MainWindow::stopRun() {
  if (!run_->running()) return;
  run_->requestStop();
  startButton->setEnabled(false);
  // Not overwritten by a path's status still to be painted.
  pacer_.withdraw(statusTarget_);
  runStatus->setText("Stopping after this week");
}

void MainWindow::waitForRunEnd() {
  if (!run_->running()) return;
  QEventLoop ended;
  runEnded_ = [&ended] { ended.quit(); };
  ended.exec();
  runEnded_ = nullptr;
}

void MainWindow::runFinished(RunEnd end, const QString& failure) {
  endingRun_ = true;
  if (end == RunEnd::Failed)
    // The log keeps the end of every run it began, also of one that failed.
    AppendLog("Simulation stopped: " + failure.toStdString());
  if (end == RunEnd::Stopped) AppendLog(stoppedRunNote());
  if (end != RunEnd::Failed) {
    const QString took = QString::fromStdString(clockTime(runClock_.elapsed()));
    AppendLog(runNote(took));
    if (reportsErrors_) {
      const std::string facts = end == RunEnd::Completed ? factsNote() : std::string();
      errorsWindow->endRun(took, QString::fromStdString(facts));
      // The end has read the whole report; the last path's reading would
      // read it again.
      pacer_.withdraw(errorsTarget_);
      AppendLog(errorSummaryText(summariseErrors(errorsWindow->rows())).toStdString() + ".");
      if (!facts.empty()) AppendLog(facts);
    }
  }
  setPathControlsEnabled(true);
  startButton->setText("Start");
  startButton->setIcon(startIcon_);
  startButton->setEnabled(true);
  startButton->setToolTip("Start a run with the parameters of para.txt (Alt+R)");
  progress_.end();
  showRunStatus();
  // The run's last picture, with the window as the run leaves it.
  pacer_.changed(windowTarget_);
  pacer_.flush();
  endingRun_ = false;
  for (const auto& action : runEndedActions_) action(runFiles.resultDir);
  if (end == RunEnd::Failed) reportError(failure);
  if (runEnded_) runEnded_();
}

// The three scalar facts of the run's paths furthest from the actual ones.
std::string MainWindow::factsNote() const {
  try {
    const FactsSeries facts = factsOfRun(fileName(runFiles.resultDir), runParameters_->simtimes);
    return factGapsText(factsFurthestFromActual(facts, 3));
  } catch (const std::exception& e) {
    return std::string("The facts were not compared: ") + e.what();
  }
}

// Which path the stopped run cut, as its mark in the directory's lock says.
std::string MainWindow::stoppedRunNote() const {
  std::optional<UnfinishedRun> mark;
  try {
    mark = readUnfinishedRun(fileName(runFiles.resultDir));
  } catch (const std::exception&) {
    // Without the mark the note names no path.
  }
  if (!mark || mark->cutPath < 0) return "Simulation stopped by Stop before its first path.";
  return "Simulation stopped by Stop: path " + std::to_string(mark->cutPath) +
         " was cut and is marked so in run.lock; summaries refuse it.";
}

// "Run into 'result' with the fixed seed took 0:03; para.txt unlike the
// demo's: popsize 20 (demo 100)".
std::string MainWindow::runNote(const QString& duration) const {
  const std::string seed = runSeed_.isEmpty() ? "the fixed seed" : "seed " + runSeed_.toStdString();
  std::string note = "Run into '" + fileName(runFiles.resultDir) + "' with " + seed + " took " +
                     duration.toStdString() + "; para.txt unlike the demo's: ";
  note += runParameters_ ? parametersUnlike(*runParameters_, demoParameters()) : "not readable";
  return note + ".";
}

void MainWindow::showRunStatus() {
  const QString text = QString::fromStdString(progress_.status());
  if (runStatus->text() != text) runStatus->setText(text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The run's thread writes into the result directory; it is ended at a week
  // boundary, leaving its mark, before the window goes.
  if (run_->running()) {
    stopRun();
    waitForRunEnd();
  }
  QWidget::closeEvent(event);
}

// The live charts and their files say which result directory they show: the
// run's, or the replayed path's. On screen the rate chart's empty column
// under its legend names it for the three, the layout keeping its place.
void MainWindow::nameChartsDirectory() {
  for (Chart* chart : {rateChart, supplyDemandChart, weightsChart})
    chart->setExportCaption("Result directory: " + viewedDir());
  rateChart->setLegendCaption("Directory:\n" + viewedDir());
}

void MainWindow::pathFieldChanged() {
  try {
    nameChartsDirectory();
    viewer_->changePath(pathField->text(), fileName(viewedDir()));
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void MainWindow::playOrPauseReplay() {
  try {
    // Play replays the path the field names, loaded now if the charts show
    // another one (or none yet, or one a run has since rewritten).
    if (viewer_->state() == ViewerState::Stopped && !viewer_->shows(pathField->text(), fileName(viewedDir()))) {
      nameChartsDirectory();
      viewer_->changePath(pathField->text(), fileName(viewedDir()));
    }
    viewer_->playOrPause();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void MainWindow::stopReplay() {
  try {
    viewer_->stop();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void MainWindow::replaySpeedChanged() { replayTimer->setInterval(101 - speedBar->value()); }

void MainWindow::replayStep() {
  try {
    viewer_->tick();
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
}

void MainWindow::exitProgram() { close(); }

// ---- the viewer's hold on the window ----

void MainWindow::setPathControlsEnabled(bool enabled) {
  pathField->setEnabled(enabled);
  pathStepper->setEnabled(enabled);
}

void MainWindow::setTimerRunning(bool running) {
  if (running)
    replayTimer->start();
  else
    replayTimer->stop();
}

// A replay's last week stays shown until the next replay or Stop.
void MainWindow::showReplayWeek(int week, int first, int last) {
  if (run_->running()) return;  // the run's status has the place
  runStatus->setText(week < 0 ? QString() : QString("Replay: week %1 of %2-%3").arg(week).arg(first).arg(last));
}

void MainWindow::showButtonImage(ButtonImage image) {
  // Read anew each time from the working directory, so that the images can
  // be replaced while the program runs.
  const QString name = image == ButtonImage::Pause ? "Pause.bmp" : "Start.bmp";
  QImageReader reader(QDir::current().filePath(name));
  QImage picture;
  if (!reader.read(&picture))
    throw RunError("Cannot read image file '" + name.toStdString() + "': " + reader.errorString().toStdString());
  playButton->setIcon(QPixmap::fromImage(picture));
}

// ---- display operations ----

// During a run the log takes its new lines when the window is painted, all
// at once: each line appended on its own scrolls the log's picture and lays
// it out.
void MainWindow::AppendLog(const std::string& text) {
  newLogLines_ << QString::fromStdString(text);
  if (!run_->running() && !endingRun_) return showLogLines();
  pacer_.changed(windowTarget_);
}

void MainWindow::showLogLines() {
  if (newLogLines_.isEmpty()) return;
  logView->appendPlainText(newLogLines_.join('\n'));
  newLogLines_.clear();
  // The log fits its scroll bars to the new lines in a call it queues; made
  // now, they are painted with the lines instead of in a painting of their own.
  QCoreApplication::sendPostedEvents(logView, QEvent::MetaCall);
}

void MainWindow::Warn(const std::string& text) { AppendLog("Warning: " + text); }

// The row takes the latest percentage only when it is painted: between two
// paintings a run passes many it would be pointless to lay out. A week that
// leaves the percentage as it was asks the pacer nothing: what is pending
// is painted when the interval has passed.
void MainWindow::setProgress(int& shown, int percent, int target) {
  if (percent == shown) return;
  shown = percent;
  pacer_.changed(target);
}

void MainWindow::showProgressRow(QLineEdit* field, FlatProgressBar* bar, int percent) {
  field->setText(QString::number(percent));
  bar->setValueUnpainted(percent);
}

// Charts already empty are not painted again: each painting costs a run
// without Graph a good part of what showing it costs. The others are
// painted with the run's first picture.
void MainWindow::clearLiveCharts() {
  if (!supplySeries->points().isEmpty() || !demandSeries->points().isEmpty()) {
    for (LineSeries* s : {supplySeries, demandSeries}) s->clear();
    supplyDemandChart->replot();
  }
  if (!weightSeries->points().isEmpty()) {
    weightSeries->clear();
    weightsChart->replot();
  }
}

// A new run starts from empty rows, not from what the last run reached.
void MainWindow::clearProgressRows() {
  weekPercent_ = pathPercent_ = -1;
  for (QLineEdit* field : {weekPercentField, pathPercentField}) field->clear();
  // Painted with the run's first picture rather than at once: a painting
  // of its own cost every run a millisecond or two.
  for (FlatProgressBar* bar : {weekBar, pathBar}) bar->setValueUnpainted(0);
}

void MainWindow::SetWeekProgress(int percent) {
  setProgress(weekPercent_, percent, weekRowTarget_);
  if (!progress_.week(percent)) return;
  pacer_.mark(statusTarget_);
  // A new path: the report holds the one before it.
  if (reportsErrors_ && progress_.path() != pathsRead_) {
    pathsRead_ = progress_.path();
    pacer_.mark(errorsTarget_);
  }
  pacer_.catchUp();
}

void MainWindow::SetPathProgress(int percent) { setProgress(pathPercent_, percent, pathRowTarget_); }

void MainWindow::ClearActualSeries() { actualSeries->clear(); }

void MainWindow::AddActualPoint(int week, double rate) { actualSeries->addPoint(week, rate); }

void MainWindow::RedrawRateChart() {
  if (actualSeries->points() == shownActual_ && simulationRevision_ == shownSimulationRevision_)
    return pacer_.catchUp();
  pacer_.changed(rateTarget_);
}

void MainWindow::showRateChart() {
  rateChart->replot();
  shownActual_ = actualSeries->points();
  shownSimulationRevision_ = simulationRevision_;
  viewerDrawingsShown_ = viewer_->rateChartDrawings();
}

void MainWindow::ClearSimulationSeries() {
  if (simulationSeries->points().isEmpty()) return;
  simulationSeries->clear();
  ++simulationRevision_;
  pacer_.changed(rateTarget_);
}

bool MainWindow::GraphEnabled() { return graphCheck->isChecked(); }

void MainWindow::AddSimulationPoint(int week, double rate) {
  simulationSeries->addPoint(week, rate);
  ++simulationRevision_;
  pacer_.changed(rateTarget_);
}

// The charts take the latest values when they are shown: between two
// paintings a run gives many that no one would see.
void MainWindow::ShowWeights(const double* means, int n) {
  weights_.assign(means, means + n);
  pacer_.changed(weightsTarget_);
}

void MainWindow::showWeights() {
  weightSeries->clear();
  for (std::size_t k = 1; k <= weights_.size(); ++k) weightSeries->addPoint(double(k), weights_[k - 1]);
  weightsChart->replot();
}

void MainWindow::ShowSupplyDemand(int ndiv, const double* supply, const double* demand) {
  levels_ = ndiv;
  supply_.assign(supply, supply + 2 * ndiv + 1);
  demand_.assign(demand, demand + 2 * ndiv + 1);
  pacer_.changed(supplyDemandTarget_);
}

void MainWindow::showSupplyDemand() {
  supplySeries->clear();
  demandSeries->clear();
  for (int k = -levels_; k <= levels_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k + levels_);
    supplySeries->addPoint(supply_[i], k);
    supplySeries->addPoint(supply_[i], k + 1);
    demandSeries->addPoint(demand_[i], k);
    demandSeries->addPoint(demand_[i], k + 1);
  }
  supplyDemandChart->replot();
}

}  // namespace vk
