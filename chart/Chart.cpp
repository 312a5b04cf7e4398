#include "chart/Chart.h"

#include <QLabel>
#include <QPainter>
#include <QPen>

#include <qwt_color_map.h>
#include <qwt_column_symbol.h>
#include <qwt_graphic.h>
#include <qwt_interval_symbol.h>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_barchart.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_symbol.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include <qwt_scale_widget.h>

#include "chart/ChartData.h"

namespace vk {

namespace {

// Blue through cyan, green and yellow to red: neighbouring levels stay
// distinguishable on screen and in print.
QwtLinearColorMap* strongPalette() {
  auto* map = new QwtLinearColorMap(QColor(0, 0, 160), QColor(200, 0, 0));
  map->addColorStop(0.25, QColor(0, 170, 255));
  map->addColorStop(0.5, QColor(0, 200, 0));
  map->addColorStop(0.75, QColor(255, 220, 0));
  return map;
}

}  // namespace

// Two changes to Qwt's layout: the title is centred over the whole chart,
// which leaves the corners free for a button, and a right-hand legend may
// start a given number of pixels below the top instead of being centred.
class ChartLayout final : public QwtPlotLayout {
 public:
  int legendTop = -1;
  int titleRightReserve = 0;

  void activate(const QwtPlot* plot, const QRectF& plotRect, Options options) override {
    QwtPlotLayout::activate(plot, plotRect, options);
    const QRectF title = titleRect();
    if (!title.isEmpty())
      setTitleRect(QRectF(plotRect.left(), title.top(), plotRect.width() - titleRightReserve, title.height()));
    if (legendTop < 0 || legendPosition() != QwtPlot::RightLegend) return;
    QRectF r = legendRect();
    if (r.isEmpty()) return;
    r.moveTop(plotRect.top() + legendTop);
    setLegendRect(r);
  }
};

class BarItem final : public QwtPlotBarChart {
 public:
  explicit BarItem(const QString& title) : QwtPlotBarChart(title) {}
  double slot = 1.0;

  // Whole bars at both ends, not half bars cut by the axis.
  QRectF boundingRect() const override {
    QRectF r = QwtPlotBarChart::boundingRect();
    if (dataSize() == 0) return r;
    r.setLeft(r.left() - slot / 2);
    r.setRight(r.right() + slot / 2);
    return r;
  }
};

class GridItem final : public QwtPlotSpectrogram {
 public:
  GridItem(const QString& title, int lineWidth) : QwtPlotSpectrogram(title), lineWidth_(lineWidth) {}

  QPen contourPen(double level) const override {
    QPen pen = QwtPlotSpectrogram::contourPen(level);
    pen.setWidth(lineWidth_);
    return pen;
  }

  // Each contour line over a dark casing one pixel wider on each side, so
  // that it stands out from a colour grid of the same palette beneath it.
  void drawContourLines(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                        const QwtRasterData::ContourLines& lines) const override {
    painter->save();
    painter->setPen(QPen(QColor(30, 30, 70), lineWidth_ + 2));
    for (auto it = lines.begin(); it != lines.end(); ++it) {
      const QPolygonF& segments = it.value();
      for (int i = 0; i + 1 < segments.size(); i += 2)
        painter->drawLine(QPointF(xMap.transform(segments[i].x()), yMap.transform(segments[i].y())),
                          QPointF(xMap.transform(segments[i + 1].x()), yMap.transform(segments[i + 1].y())));
    }
    painter->restore();
    QwtPlotSpectrogram::drawContourLines(painter, xMap, yMap, lines);
  }

  // A small band of the palette, so that the legend entry shows what the
  // colours mean.
  QwtGraphic legendIcon(int, const QSizeF& size) const override {
    QwtGraphic icon;
    icon.setDefaultSize(size);
    icon.setRenderHint(QwtGraphic::RenderPensUnscaled, true);
    QPainter painter(&icon);
    const QwtInterval range(0.0, 1.0);
    const int w = qMax(1, static_cast<int>(size.width()));
    for (int i = 0; i < w; ++i) {
      const QColor c = colorMap()->color(range, (i + 0.5) / w);
      if (testDisplayMode(ContourMode)) {
        painter.setPen(QPen(c, 2));
        painter.drawPoint(QPointF(i, size.height() / 2));
      } else {
        painter.fillRect(QRectF(i, 0, 1, size.height()), c);
      }
    }
    return icon;
  }

 private:
  int lineWidth_;
};

class PlotGrid final : public QwtPlotGrid {};

// The plotting area's plain box border as filled one-pixel edges: the
// toolkit strokes it pixel by pixel, which cost a chart repainted during a
// run as much as its lines. The same pixels in the same colour.
class ChartCanvas final : public QwtPlotCanvas {
 public:
  explicit ChartCanvas(QwtPlot* plot) : QwtPlotCanvas(plot) {}

 protected:
  void drawBorder(QPainter* painter) override {
    if (frameShape() != QFrame::Box || frameShadow() != QFrame::Plain || borderRadius() > 0)
      return QwtPlotCanvas::drawBorder(painter);
    const QColor colour = palette().color(QPalette::WindowText);
    QRect ring = frameRect();
    for (int i = 0; i < lineWidth() && ring.width() > 0 && ring.height() > 0; ++i) {
      painter->fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), colour);
      painter->fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), colour);
      painter->fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), colour);
      painter->fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), colour);
      ring.adjust(1, 1, -1, -1);
    }
  }
};

// Labels an axis with offset + scale * v for the coordinate v: a grid laid
// out in cell numbers is read on the scale the cells stand for.
class LinearLabelDraw final : public QwtScaleDraw {
 public:
  // One decimal more than the scale's first significant one: neighbouring
  // cells keep telling apart, without a tail of digits.
  LinearLabelDraw(double offset, double scale)
      : offset_(offset),
        scale_(scale),
        decimals_(scale == 0 ? 0 : std::clamp(static_cast<int>(std::ceil(-std::log10(std::abs(scale)))) + 1, 0, 8)) {}
  QwtText label(double v) const override { return QwtText(QString::number(offset_ + scale_ * v, 'f', decimals_)); }

 private:
  double offset_, scale_;
  int decimals_;
};

// ---- series ----

QString ChartSeries::title() const { return item()->title().text(); }

PointSeries::PointSeries(XOrder order) : store_(new PointStore(order)) {}

void PointSeries::clear() {
  store_->clear();
  pointsChanged();
}

void PointSeries::addPoint(double x, double y) {
  store_->add(QPointF(x, y));
  pointsChanged();
}

const QVector<QPointF>& PointSeries::points() const { return store_->points(); }

LineSeries::LineSeries(const QString& title, const QColor& colour, int width, bool stairs, XOrder order)
    : PointSeries(order), curve_(new QwtPlotCurve(title)) {
  curve_->setPen(colour, width);
  curve_->setStyle(stairs ? QwtPlotCurve::Steps : QwtPlotCurve::Lines);
  curve_->setLegendAttribute(QwtPlotCurve::LegendShowLine, true);
  curve_->setLegendIconSize(QSize(16, 8));
  curve_->setData(store_);
}

QwtPlotItem* LineSeries::item() const { return curve_; }

void LineSeries::showMarkers(int size) {
  const QColor colour = curve_->pen().color();
  curve_->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(colour), QPen(colour), QSize(size, size)));
  curve_->setLegendAttribute(QwtPlotCurve::LegendShowSymbol, true);
}

void LineSeries::showMarkersOnly(int size) {
  showMarkers(size);
  curve_->setStyle(QwtPlotCurve::NoCurve);
}

BandSeries::BandSeries(const QString& title, const QColor& colour, BandStyle style)
    : band_(new QwtPlotIntervalCurve(title)) {
  band_->setStyle(QwtPlotIntervalCurve::Tube);
  if (style == BandStyle::ErrorBars) {
    band_->setStyle(QwtPlotIntervalCurve::NoCurve);
    QwtIntervalSymbol* bar = new QwtIntervalSymbol(QwtIntervalSymbol::Bar);
    bar->setWidth(7);
    bar->setPen(QPen(colour, 1.5));
    band_->setSymbol(bar);
    band_->setPen(colour, 1.5);
  } else if (style == BandStyle::Filled) {
    QColor fill = colour;
    fill.setAlpha(85);
    band_->setBrush(fill);
    band_->setPen(colour, 1);
  } else {
    band_->setBrush(Qt::NoBrush);
    band_->setPen(colour, 1, Qt::DashLine);
  }
  band_->setLegendIconSize(QSize(16, 8));
}

QwtPlotItem* BandSeries::item() const { return band_; }

void BandSeries::clear() { band_->setSamples(QVector<QwtIntervalSample>()); }

void BandSeries::addInterval(double x, double low, double high) {
  QVector<QwtIntervalSample> samples;
  for (std::size_t i = 0; i < band_->dataSize(); ++i) samples.append(band_->sample(i));
  samples.append(QwtIntervalSample(x, low, high));
  band_->setSamples(samples);
}

QVector<QPointF> BandSeries::lows() const {
  QVector<QPointF> points;
  for (std::size_t i = 0; i < band_->dataSize(); ++i)
    points.append(QPointF(band_->sample(i).value, band_->sample(i).interval.minValue()));
  return points;
}

QVector<QPointF> BandSeries::highs() const {
  QVector<QPointF> points;
  for (std::size_t i = 0; i < band_->dataSize(); ++i)
    points.append(QPointF(band_->sample(i).value, band_->sample(i).interval.maxValue()));
  return points;
}

BarSeries::BarSeries(const QString& title, const QColor& colour, double widthFraction)
    : PointSeries(XOrder::Ascending), bars_(new BarItem(title)), widthFraction_(widthFraction) {
  auto* symbol = new QwtColumnSymbol(QwtColumnSymbol::Box);
  symbol->setFrameStyle(QwtColumnSymbol::Plain);
  symbol->setLineWidth(1);
  symbol->setPalette(QPalette(colour));
  bars_->setSymbol(symbol);
  // Widths in axis units: the bar keeps its share of the slot at any size.
  bars_->setLayoutPolicy(QwtPlotAbstractBarChart::ScaleSamplesToAxes);
  bars_->setLayoutHint(widthFraction_);
  bars_->setSamples(store_);
}

QwtPlotItem* BarSeries::item() const { return bars_; }

void BarSeries::pointsChanged() {
  const double slot = store_->slotWidth();
  if (slot == bars_->slot) return;
  bars_->slot = slot;
  bars_->setLayoutHint(widthFraction_ * slot);
}

GridSeries::GridSeries(const QString& title, bool contour, int lineWidth)
    : grid_(new GridItem(title, lineWidth)), data_(new GridData(contour)), contour_(contour) {
  grid_->setDisplayMode(QwtPlotSpectrogram::ImageMode, !contour);
  grid_->setDisplayMode(QwtPlotSpectrogram::ContourMode, contour);
  grid_->setColorMap(strongPalette());
  // Qwt draws every contour with its default pen, black, unless that is
  // NoPen; only then does it ask contourPen for the level's colour.
  grid_->setDefaultContourPen(QPen(Qt::NoPen));
  grid_->setItemAttribute(QwtPlotItem::Legend, true);
  grid_->setLegendIconSize(QSize(16, 8));
  grid_->setData(data_);
}

QwtPlotItem* GridSeries::item() const { return grid_; }

void GridSeries::clear() {
  data_->clear();
  updateAutomaticLevels();
}

void GridSeries::addGridPoint(double x, double y, double z) {
  data_->add(GridPoint{x, y, z});
  updateAutomaticLevels();
}

void GridSeries::setContourLevels(const QList<double>& levels) {
  automaticLevels_ = levels.isEmpty();
  if (automaticLevels_)
    updateAutomaticLevels();
  else
    grid_->setContourLevels(levels);
}

QList<double> GridSeries::contourLevels() const { return grid_->contourLevels(); }

const QVector<GridPoint>& GridSeries::gridPoints() const { return data_->points(); }
double GridSeries::minValue() const { return data_->minValue(); }
double GridSeries::maxValue() const { return data_->maxValue(); }

void GridSeries::updateAutomaticLevels() {
  if (!contour_ || !automaticLevels_) return;
  QList<double> levels;
  if (!data_->isEmpty() && data_->maxValue() > data_->minValue()) {
    const double lo = data_->minValue(), step = (data_->maxValue() - lo) / 11;
    for (int i = 1; i <= 10; ++i) levels.append(lo + i * step);
  }
  if (levels != grid_->contourLevels()) grid_->setContourLevels(levels);
}

// ---- chart ----

Chart::Chart(QWidget* parent) : QwtPlot(parent) {
  setAutoReplot(false);
  setPlotLayout(new ChartLayout);
  plotLayout()->setAlignCanvasToScales(true);

  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setCanvas(new ChartCanvas(this));
  setCanvasBackground(Qt::white);
  if (auto* canvas = qobject_cast<QwtPlotCanvas*>(this->canvas())) {
    canvas->setFrameStyle(QFrame::Box | QFrame::Plain);
    canvas->setLineWidth(1);
  }

  // The charts are small; a compact font leaves the room to the data.
  QFont compact = font();
  compact.setPixelSize(10);
  setFont(compact);
  for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft}) {
    setAxisFont(axis, compact);
    enableAxis(axis, true);
    // An empty chart shows a unit range, not the toolkit's 0 to 1000.
    setAxisScale(axis, 0, 1);
    setAxisAutoScale(axis, true);
  }

  gridLines_ = new PlotGrid;
  gridLines_->setMajorPen(QColor(210, 210, 210), 0, Qt::DotLine);
  gridLines_->attach(this);
}

Chart::~Chart() {
  dropSeries();
  delete note_;
}

void Chart::dropSeries() {
  // The Qwt items belong to the plot's item dictionary; detach them before
  // the series objects that own the point stores go away.
  for (auto& s : series_) s->item()->detach();
  for (auto& s : series_) delete s->item();
  series_.clear();
}

void Chart::removeSeriesAndLabels() {
  dropSeries();
  detachItems(QwtPlotItem::Rtti_PlotMarker, true);
}

void Chart::setChartTitle(const QString& title, bool shown) {
  titleText_ = title;
  titleShown_ = shown;
  QwtText text(shown ? title : QString());
  // A title wider than its chart wraps rather than losing both its ends.
  text.setRenderFlags(Qt::AlignCenter | Qt::TextWordWrap);
  QFont f = font();
  f.setPixelSize(11);
  f.setBold(true);
  text.setFont(f);
  setTitle(text);
}

void Chart::setCaption(const QString& text) {
  QwtText caption(text);
  QFont f = font();
  f.setPixelSize(10);
  caption.setFont(f);
  caption.setColor(QColor(90, 90, 90));
  setFooter(caption);
}

QString Chart::caption() const { return footer().text(); }

void Chart::setLegendCaption(const QString& text) {
  if (legendCaption_ && legendCaption_->toolTip() == text) return;
  if (!legendCaption_) {
    legendCaption_ = new QLabel(this);
    legendCaption_->setObjectName("LegendCaption");
    QFont f = font();
    f.setPixelSize(10);
    legendCaption_->setFont(f);
    legendCaption_->setStyleSheet("color: rgb(90, 90, 90)");
    legendCaption_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  legendCaption_->setToolTip(text);
  legendCaption_->setVisible(!text.isEmpty());
  placeLegendCaption();
}

QString Chart::legendCaption() const { return legendCaption_ ? legendCaption_->toolTip() : QString(); }

void Chart::updateLayout() {
  QwtPlot::updateLayout();
  placeLegendCaption();
}

// Under the legend's entries, as wide as the chart leaves right of the
// plotting area.
void Chart::placeLegendCaption() {
  if (!legendCaption_ || !legend_ || legend_->isHidden()) return;
  // The legend's widget runs the chart's height; its entries fill the top.
  const QRect legendPlace = legend_->geometry();
  const int left = std::min(legendPlace.left(), canvas()->geometry().right() + 6);
  const int width = contentsRect().right() - left;
  const int top = legendPlace.top() + legend_->sizeHint().height() + 8;
  const QFontMetrics metrics(legendCaption_->font());
  QStringList lines = legendCaption_->toolTip().split('\n');
  for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideMiddle, width);
  legendCaption_->setText(lines.join('\n'));
  legendCaption_->setGeometry(left, top, width, metrics.lineSpacing() * lines.size() + 2);
}

void Chart::setLegend(LegendPlace place, bool checkable, int rightTop) {
  static_cast<ChartLayout*>(plotLayout())->legendTop = rightTop;
  if (place == LegendPlace::Hidden) {
    insertLegend(nullptr);
    legend_ = nullptr;
    return;
  }
  legend_ = new QwtLegend;
  legend_->setFrameStyle(QFrame::NoFrame);
  legend_->setDefaultItemMode(checkable ? QwtLegendData::Checkable : QwtLegendData::ReadOnly);
  insertLegend(legend_, place == LegendPlace::Bottom ? QwtPlot::BottomLegend : QwtPlot::RightLegend);
  if (checkable) {
    connect(legend_, &QwtLegend::checked, this,
            [this](const QVariant& info, bool on, int index) { legendChecked(info, on, index); });
  }
  syncLegendChecks();
}

void Chart::fixLeftAxis(double min, double max, double step) {
  setAxisAutoScale(QwtPlot::yLeft, false);
  setAxisScale(QwtPlot::yLeft, min, max, step);
}

void Chart::fixBottomAxis(double min, double max, double step) {
  setAxisAutoScale(QwtPlot::xBottom, false);
  setAxisScale(QwtPlot::xBottom, min, max, step);
}

void Chart::hideLeftAxis() { enableAxis(QwtPlot::yLeft, false); }

void Chart::logLeftAxis() { setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine); }

void Chart::addLabel(double x, double y, const QString& text) {
  QwtPlotMarker* marker = new QwtPlotMarker;
  marker->setItemAttribute(QwtPlotItem::Legend, false);
  marker->setValue(x, y);
  QwtText label(text);
  QFont f = font();
  f.setPixelSize(11);
  label.setFont(f);
  marker->setLabel(label);
  marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
  marker->attach(this);
}

void Chart::setNote(const QString& text) {
  if (!note_) {
    note_ = new QwtPlotTextLabel;
    note_->setItemAttribute(QwtPlotItem::Legend, false);
    note_->attach(this);
  }
  QwtText label(text);
  QFont f = font();
  f.setPixelSize(11);
  label.setFont(f);
  label.setColor(QColor(90, 90, 90));
  label.setRenderFlags(Qt::AlignCenter | Qt::TextWordWrap);
  note_->setText(label);
}

QString Chart::note() const { return note_ ? note_->text().text() : QString(); }

void Chart::holdLeftAxis() {
  updateAxes();
  setAxisScaleDiv(QwtPlot::yLeft, axisScaleDiv(QwtPlot::yLeft));
}

void Chart::releaseLeftAxis() { setAxisAutoScale(QwtPlot::yLeft, true); }

void Chart::setAxisTitles(const QString& bottom, const QString& left) {
  QFont f = font();
  f.setPixelSize(10);
  for (const auto& [axis, text] : {std::pair<int, QString>{QwtPlot::xBottom, bottom}, {QwtPlot::yLeft, left}}) {
    QwtText title(text);
    title.setFont(f);
    setAxisTitle(axis, title);
  }
}

void Chart::labelLeftAxis(double offset, double scale) {
  const bool same = leftLabels_ && leftLabels_->first == offset && leftLabels_->second == scale;
  if (same) return;
  leftLabels_ = std::make_pair(offset, scale);
  setAxisScaleDraw(QwtPlot::yLeft, new LinearLabelDraw(offset, scale));
}

void Chart::showColourScale(const QString& title, double min, double max) {
  QwtScaleWidget* scale = axisWidget(QwtPlot::yRight);
  scale->setColorBarEnabled(true);
  scale->setColorBarWidth(10);
  scale->setColorMap(QwtInterval(min, max), strongPalette());
  QwtText text(title);
  QFont f = font();
  f.setPixelSize(10);
  text.setFont(f);
  setAxisTitle(QwtPlot::yRight, text);
  setAxisFont(QwtPlot::yRight, f);
  setAxisScale(QwtPlot::yRight, min, max);
  enableAxis(QwtPlot::yRight, true);
}

void Chart::reserveTitleRight(int pixels) { static_cast<ChartLayout*>(plotLayout())->titleRightReserve = pixels; }

void Chart::setGridLines(bool fromBottomAxis, bool fromLeftAxis) {
  gridLines_->enableX(fromBottomAxis);
  gridLines_->enableY(fromLeftAxis);
}

LineSeries* Chart::addFastLine(const QString& title, const QColor& colour, int width, XOrder order) {
  auto* s = new LineSeries(title, colour, width, false, order);
  // A line of many points: drop the points that fall on the same pixel.
  s->curve()->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
  adopt(s);
  return s;
}

LineSeries* Chart::addStairs(const QString& title, const QColor& colour, int width, XOrder order) {
  auto* s = new LineSeries(title, colour, width, true, order);
  adopt(s);
  return s;
}

BarSeries* Chart::addBars(const QString& title, const QColor& colour, double widthFraction) {
  auto* s = new BarSeries(title, colour, widthFraction);
  adopt(s);
  return s;
}

GridSeries* Chart::addColourGrid(const QString& title) {
  auto* s = new GridSeries(title, false, 0);
  adopt(s);
  return s;
}

GridSeries* Chart::addContour(const QString& title, int lineWidth) {
  auto* s = new GridSeries(title, true, lineWidth);
  adopt(s);
  return s;
}

BandSeries* Chart::addBand(const QString& title, const QColor& colour, BandStyle style) {
  auto* s = new BandSeries(title, colour, style);
  adopt(s);
  return s;
}

QColor Chart::nextFreeColour() const {
  // The sixteen basic colours without white, which a white chart would hide.
  static const QColor palette[] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                   {128, 0, 128}, {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},
                                   {0, 255, 0},   {255, 255, 0}, {0, 0, 255},     {255, 0, 255},   {0, 255, 255}};
  for (const QColor& colour : palette) {
    const bool used = std::any_of(series_.begin(), series_.end(), [&colour](const auto& s) {
      const auto* line = dynamic_cast<const LineSeries*>(s.get());
      return line && line->curve()->pen().color() == colour;
    });
    if (!used) return colour;
  }
  return palette[series_.size() % std::size(palette)];
}

void Chart::adopt(ChartSeries* series) {
  series_.emplace_back(series);
  series->item()->attach(this);
  syncLegendChecks();
}

void Chart::setSeriesVisible(ChartSeries* series, bool visible) {
  series->item()->setVisible(visible);
  syncLegendChecks();
}

void Chart::syncLegendChecks() {
  if (!legend_) return;
  for (auto& s : series_) {
    auto* label = qobject_cast<QwtLegendLabel*>(legend_->legendWidget(itemToInfo(s->item())));
    if (label) label->setChecked(s->item()->isVisible());
  }
}

void Chart::legendChecked(const QVariant& itemInfo, bool on, int) {
  if (QwtPlotItem* item = infoToItem(itemInfo)) {
    item->setVisible(on);
    repaintNow();
  }
}

void Chart::resizeEvent(QResizeEvent* event) {
  QwtPlot::resizeEvent(event);
  // As many labelled ticks as the chart has room for: a small chart with
  // the default count runs its labels into each other.
  setAxisMaxMajor(QwtPlot::xBottom, qBound(2, width() / 60, 10));
  setAxisMaxMajor(QwtPlot::yLeft, qBound(2, height() / 35, 10));
}

void Chart::repaintNow() {
  // replot() recomputes the automatic axes and marks the canvas; repaint()
  // then draws canvas, axes and legend before returning, without waiting for
  // an event loop that a run does not let run.
  replot();
  repaint();
}

void Chart::showColourScale(const GridSeries* grid, const QString& title) {
  const QwtInterval range(grid->minValue(), grid->maxValue());
  enableAxis(QwtPlot::yRight);
  QwtScaleWidget* scale = axisWidget(QwtPlot::yRight);
  scale->setTitle(title);
  scale->setColorBarEnabled(true);
  scale->setColorMap(range, strongPalette());
  setAxisScale(QwtPlot::yRight, range.minValue(), range.maxValue());
}

}  // namespace vk
