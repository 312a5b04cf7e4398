#include "chart/FactsView.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

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

const double kTitleHeight = 20;
const double kTableMargin = 4;
const double kCellPadding = 3;

QFont tableFont(const QFont& base) {
  QFont f = base;
  f.setPixelSize(10);
  return f;
}

QFont headerFont(const QFont& base) {
  QFont f = base;
  f.setPixelSize(11);
  f.setBold(true);
  return f;
}

double widestWord(const QFontMetricsF& metrics, const QString& text) {
  double widest = 0;
  for (const QString& word : text.split(' ', Qt::SkipEmptyParts))
    widest = qMax(widest, metrics.horizontalAdvance(word));
  return widest;
}

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

void FactsTable::setRows(const QVector<QStringList>& rows, const QStringList& explanations) {
  rows_ = rows;
  explanations_ = explanations;
  update();
}

FactsTable::Layout FactsTable::layoutIn(const QRectF& rect) const {
  const QFontMetricsF text(tableFont(font())), bold(headerFont(font()));
  Layout l;
  l.titleHeight = kTitleHeight;
  l.area = QRectF(rect.left() + kTableMargin, rect.top() + kTitleHeight, rect.width() - 2 * kTableMargin,
                  rect.height() - kTitleHeight);
  // Each column as wide as its widest cell, a header as wide as its widest word.
  QVector<double> natural(header_.size(), 0.0);
  double total = 0;
  for (int c = 0; c < header_.size(); ++c) {
    natural[c] = widestWord(bold, header_[c]);
    for (const QStringList& row : rows_)
      if (c < row.size()) natural[c] = qMax(natural[c], text.horizontalAdvance(row[c]));
    natural[c] += 2 * kCellPadding + 1;
    total += natural[c];
  }
  // Room to spare goes to the columns alike; too little shrinks them alike.
  const double spare = l.area.width() - total;
  for (double w : natural)
    l.columnWidths.append(spare >= 0 ? w + spare / qMax(1, natural.size()) : w * l.area.width() / total);
  // The header takes as many lines as its most wrapped cell.
  int headerLines = 1;
  for (int c = 0; c < header_.size(); ++c) {
    const QRectF room(0, 0, l.columnWidths[c] - 2 * kCellPadding, 1000);
    const double height = bold.boundingRect(room, Qt::TextWordWrap, header_[c]).height();
    headerLines = qMax(headerLines, int(std::ceil(height / bold.lineSpacing() - 0.01)));
  }
  const int lines = static_cast<int>(rows_.size()) + 2;  // the rows, the header's first line and the note
  l.rowHeight = qMin(18.0, l.area.height() / (lines + headerLines));
  l.headerHeight = qMax(l.rowHeight, headerLines * bold.lineSpacing() + 2);
  return l;
}

void FactsTable::paintTable(QPainter& painter, const QRectF& rect) const {
  painter.save();
  const QFont text = tableFont(font()), bold = headerFont(font());
  const Layout l = layoutIn(rect);
  painter.setFont(bold);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(rect.left(), rect.top(), rect.width(), l.titleHeight), Qt::AlignCenter, kPanelTitle);

  const auto drawCells = [&](const QStringList& cells, const QRectF& row, bool header) {
    double x = row.left();
    for (int c = 0; c < cells.size() && c < l.columnWidths.size(); ++c) {
      const QRectF cell(x + kCellPadding, row.top(), l.columnWidths[c] - 2 * kCellPadding, row.height());
      const Qt::Alignment align = (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
      if (header)
        painter.drawText(cell, align | Qt::TextWordWrap, cells[c]);
      else
        painter.drawText(cell, align, painter.fontMetrics().elidedText(cells[c], Qt::ElideRight, int(cell.width())));
      x += l.columnWidths[c];
    }
  };
  QRectF row(l.area.left(), l.area.top(), l.area.width(), l.headerHeight);
  painter.setFont(bold);
  drawCells(header_, row, true);
  const double headerBottom = row.bottom();
  row = QRectF(l.area.left(), headerBottom, l.area.width(), l.rowHeight);
  painter.setFont(text);
  for (int r = 0; r < rows_.size(); ++r, row.translate(0, l.rowHeight)) {
    if (r % 2 == 0) painter.fillRect(row, QColor(240, 240, 245));
    drawCells(rows_[r], row, false);
  }
  painter.drawText(row.adjusted(kCellPadding, 0, -kCellPadding, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(QString::fromUtf8(kReportNote), Qt::ElideRight, int(row.width())));
  painter.setPen(QColor(160, 160, 160));
  painter.drawLine(QPointF(l.area.left(), headerBottom), QPointF(l.area.right(), headerBottom));
  painter.restore();
}

QString FactsTable::explanationAt(const QPoint& point) const {
  const Layout l = layoutIn(rect());
  const double y = point.y() - (l.area.top() + l.headerHeight);
  if (y < 0 || point.x() < l.area.left() || point.x() > l.area.right()) return QString();
  const int r = static_cast<int>(y / l.rowHeight);
  return r < explanations_.size() && r < rows_.size() ? explanations_[r] : QString();
}

bool FactsTable::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QString text = explanationAt(help->pos());
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), text, this);
  return true;
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
  QStringList explanations;
  for (const ScalarFact& fact : scalarFacts()) {
    rows.append({fact.label, cellText(summary.actual[fact.column]), cellText(summary.median[fact.column]),
                 rangeText(summary.p10[fact.column], summary.p90[fact.column])});
    explanations.append(fact.explanation);
  }
  panel.Table->setRows(rows, explanations);

  for (Chart* chart : {panel.AcfChart, panel.AbsAcfChart, panel.DistributionChart}) chart->repaintNow();
  panel.Table->repaint();
}

}  // namespace vk
