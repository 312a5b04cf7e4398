#include "chart/CalibrationView.h"

#include <QGridLayout>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "calibration/CalibrationOutputs.h"
#include "chart/Chart.h"

namespace vk {

namespace {

const char* const kPanelTitle = "Calibration";
const QColor kFirstSearchColour(70, 110, 200);
const QColor kSecondSearchColour(220, 120, 40);
const QColor kBestColour(0, 0, 0);
const QColor kActualColour(255, 0, 0);
const QColor kFittedColour(0, 0, 255);
const QColor kStartColour(130, 130, 130);
const QColor kIntervalColour(60, 60, 60);
// The parameters' colours, far enough apart to tell eight of them apart.
const QColor kParameterColours[] = {QColor(31, 119, 180),  QColor(214, 39, 40),  QColor(44, 160, 44),
                                    QColor(148, 103, 189), QColor(255, 127, 14), QColor(23, 190, 207),
                                    QColor(140, 86, 75),   QColor(227, 119, 194)};
constexpr int kMarkSize = 5;
// The moments' names stand in a strip below their marks, this share of the
// marks' span high.
constexpr double kNameStrip = 0.3;
// The estimates' intervals stand this far right of the last evaluation,
// a little apart from each other.
constexpr double kIntervalGap = 0.04;
constexpr double kIntervalSpread = 0.015;

Chart* newChart(const QString& title, const QString& bottomAxis, const QString& leftAxis) {
  auto* chart = new Chart;
  chart->setChartTitle(title);
  chart->setAxisTitles(bottomAxis, leftAxis);
  chart->setLegend(LegendPlace::Bottom);
  chart->setGridLines(true, true);
  return chart;
}

QString number(double value) { return QString::number(value, 'g', 4); }

QString countNote(int count, const char* one, const char* many) {
  return count == 0 ? QString() : QString::number(count) + " " + (count == 1 ? one : many);
}

}  // namespace

CalibrationPanel::CalibrationPanel(QWidget* parent)
    : QWidget(parent),
      LossChart(newChart("Loss by evaluation", "Evaluation", "Loss (log scale)")),
      ParameterChart(newChart("Parameters by evaluation", "Evaluation", "Share of the search range")),
      MomentChart(newChart("Moments, actual and fitted", "Moment",
                           QString::fromUtf8("(value \u2212 actual) / half the band's width"))) {
  LossChart->setObjectName("LossChart");
  LossChart->logLeftAxis();
  ParameterChart->setObjectName("ParameterChart");
  MomentChart->setObjectName("MomentChart");
  // Beside its marks, not under them: the three charts are taller than the
  // page, and a legend below the marks scrolls out of view with them in it.
  MomentChart->setLegend(LegendPlace::Right);
  // A plot's size hint is only a wish: they share what the page leaves them
  // rather than push it past the window.
  for (Chart* chart : {LossChart, ParameterChart, MomentChart})
    chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(LossChart, 0, 0);
  grid->addWidget(ParameterChart, 0, 1);
  grid->addWidget(MomentChart, 1, 0, 1, 2);
}

ChartDrawing CalibrationPanel::drawing() {
  return {kPanelTitle, [this](QPainter& painter, const QRectF& rect) {
            const QSizeF half(rect.width() / 2, rect.height() / 2);
            const auto place = [&](double left, double top, double width) {
              return QRectF(rect.left() + left, rect.top() + top, width, half.height()).adjusted(4, 4, -4, -4);
            };
            drawingOf(*LossChart).draw(painter, place(0, 0, half.width()));
            drawingOf(*ParameterChart).draw(painter, place(half.width(), 0, half.width()));
            drawingOf(*MomentChart).draw(painter, place(0, half.height(), rect.width()));
          }};
}

CalibrationView::CalibrationView(CalibrationPanel& p) : panel(p) {}

void CalibrationView::show(const CalibrationOutputs& outputs) {
  for (Chart* chart : {panel.LossChart, panel.ParameterChart, panel.MomentChart}) {
    chart->removeSeriesAndLabels();
    chart->setNote(QString());
  }
  showLoss(outputs);
  showParameters(outputs);
  showMoments(outputs);
  for (Chart* chart : {panel.LossChart, panel.ParameterChart, panel.MomentChart}) chart->repaintNow();
}

void CalibrationView::showLoss(const CalibrationOutputs& outputs) {
  Chart& chart = *panel.LossChart;
  chart.setChartTitle("Loss by evaluation");
  LineSeries* first = chart.addFastLine("First search", kFirstSearchColour, 1, XOrder::AsAdded);
  first->showMarkersOnly(kMarkSize);
  LineSeries* second = chart.addFastLine("Second search", kSecondSearchColour, 1, XOrder::AsAdded);
  second->showMarkersOnly(kMarkSize);
  LineSeries* best = chart.addStairs("Best so far", kBestColour, 2, XOrder::AsAdded);
  LineSeries* estimate = chart.addFastLine("Estimate", kBestColour, 1, XOrder::AsAdded);
  estimate->showMarkersOnly(kMarkSize + 3);
  const std::vector<double> bestSoFar = bestLossSoFar(outputs.evaluations);
  int failed = 0;
  for (std::size_t i = 0; i < outputs.evaluations.size(); ++i) {
    const Evaluation& e = outputs.evaluations[i];
    // The estimate's own row, its loss under the last search's weights.
    if (e.step == "final" && e.generation == 0 && e.candidate == 0 && std::isfinite(e.loss) && e.loss > 0)
      estimate->addPoint(e.evaluation, e.loss);
    if (!isSearchStep(e.step)) continue;
    // A log axis has no place for a loss of 0; a failed candidate has none.
    if (std::isfinite(e.loss) && e.loss > 0)
      (e.step == "search1" ? first : second)->addPoint(e.evaluation, e.loss);
    else if (!e.done)
      ++failed;
    if (std::isfinite(bestSoFar[i]) && bestSoFar[i] > 0) best->addPoint(e.evaluation, bestSoFar[i]);
  }
  QStringList notes;
  if (first->points().isEmpty()) notes << "No candidate of the search has a loss yet.";
  if (failed > 0) notes << countNote(failed, "failed candidate", "failed candidates") + " (loss +inf) not drawn.";
  // The searches minimise under different weights: their losses are not
  // comparable, so each has its own best.
  if (!second->points().isEmpty()) notes << "The second search weighs the moments anew.";
  if (!notes.isEmpty()) chart.setChartTitle("Loss by evaluation\n" + notes.join(" "));
}

void CalibrationView::showParameters(const CalibrationOutputs& outputs) {
  Chart& chart = *panel.ParameterChart;
  chart.setChartTitle("Parameters by evaluation");
  std::vector<LineSeries*> series;
  for (std::size_t i = 0; i < outputs.parameters.size(); ++i) {
    const SearchRange& p = outputs.parameters[i];
    LineSeries* s = chart.addFastLine(
        QString::fromStdString(p.name) + " (" + number(p.from) + QString::fromUtf8("\u2013") + number(p.to) + ")",
        kParameterColours[i % std::size(kParameterColours)], 1, XOrder::AsAdded);
    s->showMarkersOnly(kMarkSize);
    series.push_back(s);
  }
  const auto share = [&](std::size_t i, double value) {
    const SearchRange& p = outputs.parameters[i];
    return (value - p.from) / (p.to - p.from);
  };
  for (const Evaluation& e : outputs.evaluations)
    for (std::size_t i = 0; i < series.size() && i < e.values.size(); ++i)
      series[i]->addPoint(e.evaluation, share(i, e.values[i]));
  chart.fixLeftAxis(0, 1);
  chart.setAxisAutoScale(QwtPlot::xBottom, true);
  if (!outputs.finished || outputs.evaluations.empty()) return;
  BandSeries* intervals = chart.addBand("Estimate, 95 % interval", kIntervalColour, BandStyle::ErrorBars);
  LineSeries* estimates = chart.addFastLine("Estimate", kIntervalColour, 1, XOrder::AsAdded);
  estimates->showMarkersOnly(kMarkSize + 2);
  const double last = std::max(1, outputs.evaluations.back().evaluation);
  double low = 0, high = 1;
  QStringList values;
  for (std::size_t i = 0; i < outputs.estimate.size() && i < outputs.parameters.size(); ++i) {
    const ParameterEstimate& e = outputs.estimate[i];
    const double x = last * (1 + kIntervalGap + kIntervalSpread * static_cast<double>(i));
    estimates->addPoint(x, share(i, e.value));
    QString value = QString::fromStdString(e.name) + " " + number(e.value);
    if (e.identified) {
      intervals->addInterval(x, share(i, e.lower), share(i, e.upper));
      low = std::min(low, share(i, e.lower));
      high = std::max(high, share(i, e.upper));
      value += " [" + number(e.lower) + ", " + number(e.upper) + "]";
    } else {
      value += " not identified";
    }
    values << value;
  }
  // Two estimates to a line of the title.
  QString title = "Parameters by evaluation; estimate and 95 % interval:";
  for (int i = 0; i < values.size(); ++i) title += (i % 2 == 0 ? "\n" : "; ") + values[i];
  chart.setChartTitle(title);
  // An interval may reach beyond the range searched: show all of it.
  chart.fixLeftAxis(low - 0.05, high + 0.05);
  chart.fixBottomAxis(0, last * (1 + 2 * kIntervalGap + kIntervalSpread * static_cast<double>(values.size())));
}

void CalibrationView::showMoments(const CalibrationOutputs& outputs) {
  Chart& chart = *panel.MomentChart;
  if (!outputs.finished) {
    chart.setNote("The fit is drawn once the calibration has finished.");
    return;
  }
  BandSeries* band = chart.addBand("Actual's 95 % band (block bootstrap)", kActualColour, BandStyle::ErrorBars);
  LineSeries* actual = chart.addFastLine("Actual", kActualColour, 1, XOrder::AsAdded);
  actual->showMarkersOnly(kMarkSize + 2);
  LineSeries* fitted = chart.addFastLine("Fitted at the estimate", kFittedColour, 1, XOrder::AsAdded);
  fitted->showMarkersOnly(kMarkSize + 2);
  LineSeries* start = chart.addFastLine("At the start", kStartColour, 1, XOrder::AsAdded);
  start->showMarkersOnly(kMarkSize);
  QStringList withoutBand;
  double bottom = -1, top = 1;
  std::vector<double> drawn;
  for (std::size_t k = 0; k < outputs.fit.size(); ++k) {
    const MomentFit& m = outputs.fit[k];
    const double x = static_cast<double>(k + 1);
    const double half = (m.upper - m.lower) / 2;
    if (!(half > 0)) {
      withoutBand << QString::fromStdString(m.name);
      continue;
    }
    const auto scaled = [&](double value) { return (value - m.actual) / half; };
    band->addInterval(x, scaled(m.lower), scaled(m.upper));
    actual->addPoint(x, 0);
    fitted->addPoint(x, scaled(m.fitted));
    start->addPoint(x, scaled(m.start));
    bottom = std::min({bottom, scaled(m.lower), scaled(m.fitted), scaled(m.start)});
    top = std::max({top, scaled(m.upper), scaled(m.fitted), scaled(m.start)});
    drawn.push_back(x);
  }
  // The bottom axis counts the moments; their names and actual values stand
  // in a strip below the marks.
  const double strip = kNameStrip * (top - bottom);
  for (std::size_t k = 0; k < outputs.fit.size(); ++k)
    if (std::find(drawn.begin(), drawn.end(), static_cast<double>(k + 1)) != drawn.end())
      chart.addLabel(static_cast<double>(k + 1) - 0.45, bottom - strip,
                     QString::fromStdString(outputs.fit[k].name) + "\nactual " + number(outputs.fit[k].actual));
  chart.fixLeftAxis(bottom - strip * 1.05, top + 0.05 * (top - bottom));
  chart.fixBottomAxis(0.5, static_cast<double>(outputs.fit.size()) + 0.5, 1);
  if (!withoutBand.isEmpty()) chart.setNote("No bootstrap band, so not drawn: " + withoutBand.join(", "));
}

}  // namespace vk
