#pragma once
// The chart adapter. Every chart of the program is a vk::Chart. A window sets
// its chart up once when it builds its layout (title, legend, fixed axes and
// the series with their colours, widths and kinds); from then on the program
// uses only these operations:
//
//   series->clear()                 clear a series; it keeps its settings
//   series->addPoint(x, y)          add a point (no label, the series' colour)
//   grid->addGridPoint(x, y, z)     add a grid point
//   chart->repaintNow()             draw the chart at once, also while a run
//                                   keeps the event loop from running
//   chart->replot()                 mark the plotting area, and the axes whose
//                                   scales changed, for the window's next
//                                   painting
//   exportChart(owner, chart)       modal export dialog (chart/ChartExport.h)
//
// and, for programs without a window, renderChartToFile (chart/ChartExport.h).
//
// Series kinds:
//   addFastLine   a polyline, no point marks
//   addStairs     a polyline drawn as steps, no point marks
//   addBars       one bar per point, 90 % of the slot between neighbouring
//                 X values wide
//   addColourGrid a grid series drawn as coloured cells without borders
//   addContour    a grid series drawn as contour lines in the same palette
//   addBand       an interval per X (band->addInterval(x, low, high)),
//                 drawn as a filled band, as its two edges or as error bars
//
// A grid point (x, y, z) is a cell of a regular grid: x runs along the
// horizontal axis, z up the vertical axis, and y is the value that the colour
// (or the contour level) shows. A line drawn on the same chart as a grid
// therefore uses the z scale for its y values.
//
// X order: a series created with XOrder::Ascending keeps its points sorted by
// X (a point is inserted after every point with the same or a smaller X);
// XOrder::AsAdded keeps them in the order they were added, which a schedule
// drawn as stairs needs when its X values fall.
//
// The points a series holds can be read back (points(), gridPoints()) for
// inspection; the windows never need to.
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QVector>

#include <qwt_plot.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QwtPlotCurve;
class QwtPlotBarChart;
class QwtPlotIntervalCurve;
class QwtPlotItem;
class QwtLegend;
class QwtPlotTextLabel;
class QLabel;

namespace vk {

enum class XOrder { Ascending, AsAdded };

class Chart;
class PointStore;
class GridData;
class BarItem;
class GridItem;

// What every series offers.
class ChartSeries {
 public:
  virtual ~ChartSeries() = default;
  virtual void clear() = 0;
  virtual QwtPlotItem* item() const = 0;
  QString title() const;
};

// Fast lines, stairs and bars.
class PointSeries : public ChartSeries {
 public:
  void clear() override;
  void addPoint(double x, double y);
  const QVector<QPointF>& points() const;

 protected:
  explicit PointSeries(XOrder order);
  PointStore* store_;  // owned by the Qwt item
  virtual void pointsChanged() {}
};

class LineSeries final : public PointSeries {
 public:
  QwtPlotItem* item() const override;
  QwtPlotCurve* curve() const { return curve_; }
  // A round mark of that size in pixels, in the line's colour, at every point.
  void showMarkers(int size);
  // The marks alone, no line: a scatter of the points.
  void showMarkersOnly(int size);

 private:
  friend class Chart;
  LineSeries(const QString& title, const QColor& colour, int width, bool stairs, XOrder order);
  QwtPlotCurve* curve_;
};

class BarSeries final : public PointSeries {
 public:
  QwtPlotItem* item() const override;
  // The bar width as a fraction of the slot between neighbouring X values.
  double widthFraction() const { return widthFraction_; }

 private:
  friend class Chart;
  BarSeries(const QString& title, const QColor& colour, double widthFraction);
  void pointsChanged() override;
  BarItem* bars_;
  double widthFraction_;
};

struct GridPoint {
  double x, y, z;
};

class GridSeries final : public ChartSeries {
 public:
  void clear() override;
  void addGridPoint(double x, double y, double z);
  // Contour levels in units of y. Without them (or after an empty list) the
  // series draws ten levels spread evenly over the values it holds.
  void setContourLevels(const QList<double>& levels);
  QList<double> contourLevels() const;
  const QVector<GridPoint>& gridPoints() const;
  // The range of the values (y) the grid holds.
  double minValue() const;
  double maxValue() const;
  QwtPlotItem* item() const override;

 private:
  friend class Chart;
  GridSeries(const QString& title, bool contour, int lineWidth);
  void updateAutomaticLevels();
  GridItem* grid_;
  GridData* data_;  // owned by grid_
  bool contour_;
  bool automaticLevels_ = true;
};

// ErrorBars: each interval a vertical bar with short caps, nothing joined.
enum class BandStyle { Filled, Edges, ErrorBars };

// One interval per X, X ascending: a band between a lower and an upper line.
class BandSeries final : public ChartSeries {
 public:
  void clear() override;
  void addInterval(double x, double low, double high);
  // x, low and high of each interval, in X order.
  QVector<QPointF> lows() const;
  QVector<QPointF> highs() const;
  QwtPlotItem* item() const override;

 private:
  friend class Chart;
  BandSeries(const QString& title, const QColor& colour, BandStyle style);
  QwtPlotIntervalCurve* band_;
};

enum class LegendPlace { Hidden, Bottom, Right };

class Chart : public QwtPlot {
  Q_OBJECT

 public:
  explicit Chart(QWidget* parent = nullptr);
  ~Chart() override;

  // Layout settings.
  // The title names the chart in the export dialog even when it is not shown.
  void setChartTitle(const QString& title, bool shown = true);
  // A line under the chart saying what it was drawn from, such as its result
  // directory; exports carry it. Empty for none.
  void setCaption(const QString& text);
  QString caption() const;
  // A caption for exports only, where the window has no room for one: a
  // chart without a caption of its own carries it in its files.
  void setExportCaption(const QString& text) { exportCaption_ = text; }
  const QString& exportCaption() const { return exportCaption_; }
  // A caption in the empty column under the right-hand legend, for a window
  // that has room neither for a caption below the chart nor for a wider
  // chart; each line is shortened in its middle to the column's width, and
  // the whole text is the tooltip. Exports leave it out: they carry the
  // export caption. Empty for none.
  void setLegendCaption(const QString& text);
  QString legendCaption() const;
  QString chartTitle() const { return titleText_; }
  // rightTop: for LegendPlace::Right, the legend's distance in pixels from
  // the top of the chart (a negative value centres it). checkable: a check
  // box per series with which the user switches the series on and off.
  void setLegend(LegendPlace place, bool checkable = false, int rightTop = -1);
  // step: the distance between labelled ticks; 0 lets the chart choose.
  void fixLeftAxis(double min, double max, double step = 0);
  void fixBottomAxis(double min, double max, double step = 0);
  void hideLeftAxis();
  // A logarithmic left axis, for values spread over decades such as a
  // search's losses; the points must then be positive.
  void logLeftAxis();
  // Keeps the left axis as it is now scaled while points are added or
  // removed; releaseLeftAxis scales it automatically again.
  void holdLeftAxis();
  void releaseLeftAxis();
  // The names of what the bottom and left axes measure.
  void setAxisTitles(const QString& bottom, const QString& left);
  // The left axis labels the coordinate v as offset + scale * v.
  void labelLeftAxis(double offset, double scale);
  // A colour bar on the right: the palette of the grid series from min to max.
  void showColourScale(const QString& title, double min, double max);
  // Keeps the title out of the rightmost pixels (where a button sits).
  void reserveTitleRight(int pixels);
  bool titleShown() const { return titleShown_; }
  void setGridLines(bool fromBottomAxis, bool fromLeftAxis);

  LineSeries* addFastLine(const QString& title, const QColor& colour, int width, XOrder order = XOrder::Ascending);
  LineSeries* addStairs(const QString& title, const QColor& colour, int width, XOrder order = XOrder::Ascending);
  BarSeries* addBars(const QString& title, const QColor& colour, double widthFraction = 0.9);
  GridSeries* addColourGrid(const QString& title);
  GridSeries* addContour(const QString& title, int lineWidth = 2);
  // Filled: the colour fills the band at a third of its strength, edged in
  // the colour; Edges: the two edges dashed, nothing filled.
  BandSeries* addBand(const QString& title, const QColor& colour, BandStyle style);
  // The first colour of the chart's palette that none of its lines uses yet:
  // for a line whose colour the layout leaves to the chart.
  QColor nextFreeColour() const;
  void setSeriesVisible(ChartSeries* series, bool visible);
  // Removes every series and label, keeping the layout settings: for a view
  // whose series depend on what it shows (one per parameter, say).
  void removeSeriesAndLabels();
  // A colour bar on the right axis with the grid's palette over the range of
  // the values it holds, titled.
  void showColourScale(const GridSeries* grid, const QString& title);

  // A short text beside the point (x, y) of the plotting area, such as the
  // name of a scattered point; it stays until the chart is destroyed.
  void addLabel(double x, double y, const QString& text);

  // A line of text in the middle of the plotting area, for what the chart
  // does not show; an empty text removes it.
  void setNote(const QString& text);
  QString note() const;

  // Draws the chart, its axes and legend at once.
  void repaintNow();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void updateLayout() override;

 private:
  void placeLegendCaption();

  void adopt(ChartSeries* series);
  void dropSeries();
  void syncLegendChecks();
  void legendChecked(const QVariant& itemInfo, bool on, int index);

  std::vector<std::unique_ptr<ChartSeries>> series_;
  QString titleText_;
  bool titleShown_ = true;
  QString exportCaption_;
  std::optional<std::pair<double, double>> leftLabels_;
  QwtLegend* legend_ = nullptr;
  class PlotGrid* gridLines_ = nullptr;
  QwtPlotTextLabel* note_ = nullptr;
  QLabel* legendCaption_ = nullptr;
};

}  // namespace vk
