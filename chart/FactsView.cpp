#include "chart/FactsView.h"

#include <QGridLayout>
#include <QPainter>

#include <cmath>

#include "analysis/FactsSummary.h"
#include "chart/Chart.h"

namespace vk {

namespace {

const char* const kPanelTitle = "Stylized facts";
// The run report keeps its own conventions; say how they map onto these.
const char* const kReportNote = "The run report's skew is \u2212skewness, its kurt is excess kurtosis + 3.";
const QColor kSimulatedColour(0, 0, 255);
const QColor kActualColour(255, 0, 0);
const QColor kNoiseColour(110, 110, 110);
const QColor kPooledColour(150, 180, 230);
const double kNoiseBandWidth = 1.96;

// The scalar facts of the table, top to bottom.
struct TableLine {
  const char* label;
  int column;
};
const TableLine kTableLines[] = {
    {"Weeks", kFactN},
    {"Mean", kFactMean},
    {"Standard deviation", kFactStd},
    {"Skewness", kFactSkew},
    {"Excess kurtosis", kFactExcessKurtosis},
    {"Tail index (Hill)", kFactHill},
    {"Ljung-Box p, changes", kFactLbRP},
    {"Ljung-Box p, squares", kFactLbSqP},
    {"Excess kurtosis, 4 weeks", kFactAgg4ExcessKurtosis},
    {"Excess kurtosis, 13 weeks", kFactAgg13ExcessKurtosis},
    {"Leverage", kFactLeverage},
    {"Volume and |change|", kFactVolumeAbsCorr},
};

QString cellText(const FactValue& v) { return v ? QString::number(*v, 'g', 4) : QString::fromUtf8("\u2013"); }

QString rangeText(const FactValue& low, const FactValue& high) {
  if (!low || !high) return cellText(FactValue());
  return "[" + cellText(low) + ", " + cellText(high) + "]";
}

Chart* newChart(const QString& title, const QString& bottomAxis, const QString& leftAxis) {
  auto* chart = new Chart;
  chart->setChartTitle(title);
  chart->setAxisTitles(bottomAxis, leftAxis);
  chart->setLegend(LegendPlace::Bottom);
  return chart;
}

FactsView::AutocorrelationSeries addAutocorrelationSeries(Chart& chart) {
  // Half a lag of room on either side, so that the end marks show whole.
  chart.fixBottomAxis(0.5, kAcfLags + 0.5, 1);
  FactsView::AutocorrelationSeries s;
  s.range = chart.addBand("Simulated 10\u201390 %", kSimulatedColour, BandStyle::Filled);
  s.noise = chart.addBand(QString::fromUtf8("\u00b11.96/\u221an"), kNoiseColour, BandStyle::Edges);
  s.median = chart.addFastLine("Simulated median", kSimulatedColour, 2);
  s.actual = chart.addFastLine("Actual", kActualColour, 2);
  s.actual->showMarkers(7);
  return s;
}

void showAutocorrelations(const FactsView::AutocorrelationSeries& s, const FactsSeries& summary, int firstColumn) {
  s.range->clear();
  s.noise->clear();
  s.median->clear();
  s.actual->clear();
  const FactValue& weeks = summary.actual[kFactN];
  const double noise = weeks && *weeks > 0 ? kNoiseBandWidth / std::sqrt(*weeks) : 0.0;
  for (int h = 1; h <= kAcfLags; ++h) {
    const int c = firstColumn + h - 1;
    if (summary.p10[c] && summary.p90[c]) s.range->addInterval(h, *summary.p10[c], *summary.p90[c]);
    if (noise > 0) s.noise->addInterval(h, -noise, noise);
    if (summary.median[c]) s.median->addPoint(h, *summary.median[c]);
    if (summary.actual[c]) s.actual->addPoint(h, *summary.actual[c]);
  }
}

}  // namespace

// ---- table ----

FactsTable::FactsTable(QWidget* parent) : QWidget(parent) {
  setMinimumSize(200, 150);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void FactsTable::setHeader(const QStringList& header) {
  header_ = header;
  update();
}

void FactsTable::setRows(const QVector<QStringList>& rows) {
  rows_ = rows;
  update();
}

void FactsTable::paintTable(QPainter& painter, const QRectF& rect) const {
  painter.save();
  QFont text = font();
  text.setPixelSize(10);
  QFont bold = text;
  bold.setPixelSize(11);
  bold.setBold(true);

  const double titleHeight = 20;
  painter.setFont(bold);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(rect.left(), rect.top(), rect.width(), titleHeight), Qt::AlignCenter, kPanelTitle);

  // Label, actual, median and range columns, as shares of the width.
  const double shares[] = {0.32, 0.16, 0.23, 0.29};
  const int lines = static_cast<int>(rows_.size()) + 1;
  const double rowHeight = qMin(18.0, (rect.height() - titleHeight) / (lines + 1));
  const double margin = 4;
  QRectF row(rect.left() + margin, rect.top() + titleHeight, rect.width() - 2 * margin, rowHeight);
  for (int r = 0; r < lines; ++r, row.translate(0, rowHeight)) {
    const QStringList& cells = r == 0 ? header_ : rows_[r - 1];
    if (r > 0 && r % 2 == 1) painter.fillRect(row, QColor(240, 240, 245));
    painter.setFont(r == 0 ? bold : text);
    double x = row.left();
    for (int c = 0; c < cells.size() && c < 4; ++c) {
      const double width = row.width() * shares[c];
      const QRectF cell(x + 3, row.top(), width - 6, row.height());
      const Qt::Alignment align = (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
      painter.drawText(cell, align, painter.fontMetrics().elidedText(cells[c], Qt::ElideRight, int(cell.width())));
      x += width;
    }
  }
  painter.setFont(text);
  painter.drawText(row.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(QString::fromUtf8(kReportNote), Qt::ElideRight, int(row.width())));
  painter.setPen(QColor(160, 160, 160));
  const double headerBottom = rect.top() + titleHeight + rowHeight;
  painter.drawLine(QPointF(rect.left() + margin, headerBottom), QPointF(rect.right() - margin, headerBottom));
  painter.restore();
}

void FactsTable::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintTable(painter, rect());
}

// ---- panel ----

FactsPanel::FactsPanel(QWidget* parent)
    : QWidget(parent),
      AcfChart(newChart("Autocorrelation of changes", "Lag (weeks)", "Autocorrelation")),
      AbsAcfChart(newChart("Autocorrelation of absolute changes", "Lag (weeks)", "Autocorrelation")),
      DistributionChart(newChart("Distribution of weekly changes", "Weekly change", "Share of weeks")),
      Table(new FactsTable) {
  AcfChart->setObjectName("AcfChart");
  AbsAcfChart->setObjectName("AbsAcfChart");
  DistributionChart->setObjectName("DistributionChart");
  Table->setObjectName("FactsTable");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(AcfChart, 0, 0);
  grid->addWidget(AbsAcfChart, 0, 1);
  grid->addWidget(DistributionChart, 1, 0);
  grid->addWidget(Table, 1, 1);
}

ChartDrawing FactsPanel::drawing() {
  return {kPanelTitle, [this](QPainter& painter, const QRectF& rect) {
            const QSizeF half(rect.width() / 2, rect.height() / 2);
            const auto cell = [&](int row, int column) {
              return QRectF(rect.topLeft() + QPointF(column * half.width(), row * half.height()), half)
                  .adjusted(4, 4, -4, -4);
            };
            drawingOf(*AcfChart).draw(painter, cell(0, 0));
            drawingOf(*AbsAcfChart).draw(painter, cell(0, 1));
            drawingOf(*DistributionChart).draw(painter, cell(1, 0));
            Table->paintTable(painter, cell(1, 1));
          }};
}

// ---- view ----

FactsView::FactsView(FactsPanel& p) : panel(p) {
  changes = addAutocorrelationSeries(*panel.AcfChart);
  sizes = addAutocorrelationSeries(*panel.AbsAcfChart);
  simulatedShare = panel.DistributionChart->addBars("Simulated, all paths", kPooledColour);
  actualShare = panel.DistributionChart->addFastLine("Actual", kActualColour, 2);
  actualShare->showMarkers(5);
  panel.Table->setHeader({"", "Actual", "Simulated median", QString::fromUtf8("Simulated 10\u201390 %")});
}

void FactsView::show(const FactsSeries& summary) {
  showAutocorrelations(changes, summary, kFactAcfR);
  showAutocorrelations(sizes, summary, kFactAcfAbs);

  simulatedShare->clear();
  actualShare->clear();
  const ChangeHistogram& h = summary.distribution;
  for (std::size_t i = 0; i < h.centres.size(); ++i) {
    simulatedShare->addPoint(h.centres[i], h.simulatedShare[i]);
    actualShare->addPoint(h.centres[i], h.actualShare[i]);
  }

  QVector<QStringList> rows;
  for (const TableLine& line : kTableLines)
    rows.append({line.label, cellText(summary.actual[line.column]), cellText(summary.median[line.column]),
                 rangeText(summary.p10[line.column], summary.p90[line.column])});
  panel.Table->setRows(rows);

  for (Chart* chart : {panel.AcfChart, panel.AbsAcfChart, panel.DistributionChart}) chart->repaintNow();
  panel.Table->repaint();
}

}  // namespace vk
