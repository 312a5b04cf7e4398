#pragma once
// The charts of the facts summary, as the facts window shows them and the
// command line draws them: the autocorrelations of the changes and of their
// sizes at lags 1 to 10 (actual, simulated median with its 10-90 % band, and
// the +-1.96/sqrt(n) band of a series without autocorrelation), the pooled
// simulated changes against the actual ones on one axis, and the scalar
// facts as a small table.
//
// FactsPanel holds the three charts and the table in a two-by-two grid and
// draws them into a picture in the same arrangement; FactsView fills them
// from a summary.
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "chart/ChartExport.h"

namespace vk {

class BandSeries;
class BarSeries;
class Chart;
class LineSeries;
struct FactsSeries;

// A table of text drawn by the chart layer itself, so that a picture of it
// is drawn by the same code as the screen: a title, a header row and rows.
// Each column is as wide as its widest cell, the header's words wrapping
// onto a second line rather than widening it; only a table narrower than
// its cells shortens them. Hovering over a row shows its explanation.
class FactsTable : public QWidget {
 public:
  // Where the parts of the table lie in a rectangle.
  struct Layout {
    double titleHeight = 0;
    double headerHeight = 0;
    double rowHeight = 0;
    QVector<double> columnWidths;
    QRectF area;  // the header and rows, within the margins
  };

  explicit FactsTable(QWidget* parent = nullptr);
  void setHeader(const QStringList& header);
  // rows and, for each, the one-line explanation shown on hovering over it.
  void setRows(const QVector<QStringList>& rows, const QStringList& explanations);
  const QVector<QStringList>& rows() const { return rows_; }
  const QStringList& header() const { return header_; }
  void paintTable(QPainter& painter, const QRectF& rect) const;
  Layout layoutIn(const QRectF& rect) const;
  // The explanation of the row at the point of the widget; empty elsewhere.
  QString explanationAt(const QPoint& point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QStringList header_;
  QVector<QStringList> rows_;
  QStringList explanations_;
};

class FactsPanel : public QWidget {
 public:
  explicit FactsPanel(QWidget* parent = nullptr);

  // The picture of the panel as it stands: charts and table in their places.
  ChartDrawing drawing();

  Chart* AcfChart;           // "Autocorrelation of changes"
  Chart* AbsAcfChart;        // "Autocorrelation of absolute changes"
  Chart* DistributionChart;  // "Distribution of weekly changes"
  FactsTable* Table;         // "Stylized facts"
};

class FactsView {
 public:
  // The series of one autocorrelation chart, in drawing order.
  struct AutocorrelationSeries {
    BandSeries* range;   // "Simulated 10-90 %"
    BandSeries* noise;   // "±1.96/√n"
    LineSeries* median;  // "Simulated median"
    LineSeries* actual;  // "Actual", with markers
  };

  // Gives the charts their titles, axis titles, legends and series, and the
  // table its header.
  explicit FactsView(FactsPanel& panel);
  // Replaces the points and rows by the summary's and draws them at once.
  void show(const FactsSeries& summary);

  FactsPanel& panel;
  AutocorrelationSeries changes;
  AutocorrelationSeries sizes;
  BarSeries* simulatedShare;  // "Simulated, all paths"
  LineSeries* actualShare;    // "Actual"
};

}  // namespace vk
