#include "chart/SensitivityChart.h"

#include <QColor>

#include <algorithm>

#include "chart/Chart.h"

namespace vk {

namespace {

const QColor kFirstColour(70, 110, 200);
const QColor kTotalColour(220, 120, 40);
// The two bars of a parameter sit either side of its number.
constexpr double kBarOffset = 0.2;

}  // namespace

SensitivityChart::SensitivityChart(Chart& c) : chart(c) {
  chart.setLegend(LegendPlace::Bottom);
  chart.setGridLines(false, true);
}

void SensitivityChart::show(const SensitivityReport& report) {
  if (report.design == "saltelli")
    showSobol(report);
  else
    showMorris(report);
  if (!report.notes.empty()) chart.setNote(QString::fromStdString(report.notes.back()));
  chart.repaintNow();
}

void SensitivityChart::showSobol(const SensitivityReport& report) {
  const QString metric = QString::fromStdString(report.metric);
  chart.setChartTitle("Sobol indices of " + metric + " with 95 % intervals");
  chart.setAxisTitles("Parameter", "Share of the variance");
  BarSeries* first = chart.addBars("First order S1", kFirstColour, 0.35);
  BarSeries* total = chart.addBars("Total ST", kTotalColour, 0.35);
  BandSeries* firstRange = chart.addBand("S1 interval", kFirstColour.darker(), BandStyle::ErrorBars);
  BandSeries* totalRange = chart.addBand("ST interval", kTotalColour.darker(), BandStyle::ErrorBars);
  for (std::size_t i = 0; i < report.sobol.size(); ++i) {
    const SobolFactor& f = report.sobol[i];
    const double x = static_cast<double>(i + 1);
    double top = 0;
    if (f.first) {
      first->addPoint(x - kBarOffset, f.first->value);
      firstRange->addInterval(x - kBarOffset, f.first->low, f.first->high);
      top = std::max(top, f.first->high);
    }
    if (f.total) {
      total->addPoint(x + kBarOffset, f.total->value);
      totalRange->addInterval(x + kBarOffset, f.total->low, f.total->high);
      top = std::max(top, f.total->high);
    }
    chart.addLabel(x - 0.4, top, QString::fromStdString(report.names[i]));
  }
  chart.fixBottomAxis(0.5, report.sobol.size() + 0.5, 1);
}

void SensitivityChart::showMorris(const SensitivityReport& report) {
  const QString metric = QString::fromStdString(report.metric);
  chart.setChartTitle("Morris effects on " + metric + " per whole range of each parameter");
  chart.setAxisTitles("mu* (mean absolute effect)", "sigma (spread of the effects)");
  chart.setGridLines(true, true);
  LineSeries* points = chart.addFastLine("Parameters", kFirstColour, 1, XOrder::AsAdded);
  points->showMarkersOnly(8);
  double right = 0, top = 0;
  for (std::size_t i = 0; i < report.morris.size(); ++i) {
    const MorrisFactor& f = report.morris[i];
    if (!f.muStar) continue;
    const double sigma = f.sigma ? f.sigma->value : 0.0;
    right = std::max(right, f.muStar->value);
    top = std::max(top, sigma);
    points->addPoint(f.muStar->value, sigma);
    chart.addLabel(f.muStar->value, sigma, QString::fromStdString(report.names[i]));
  }
  // Both start at no effect; room on the right and above for the names.
  if (right > 0) chart.fixBottomAxis(0, right * 1.25);
  if (top > 0) chart.fixLeftAxis(0, top * 1.15);
}

}  // namespace vk
