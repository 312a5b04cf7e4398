#pragma once
// The point containers behind the series. Qwt reads them through
// QwtSeriesData and QwtRasterData at every repaint; the series append to them
// directly, so adding a point never copies the series.
#include <QPointF>
#include <QRectF>
#include <QVector>

#include <qwt_raster_data.h>
#include <qwt_series_data.h>

#include <vector>

#include "chart/Chart.h"

namespace vk {

class PointStore final : public QwtSeriesData<QPointF> {
 public:
  explicit PointStore(XOrder order) : order_(order) {}

  size_t size() const override { return static_cast<size_t>(points_.size()); }
  QPointF sample(size_t i) const override { return points_[static_cast<int>(i)]; }
  QRectF boundingRect() const override;

  void clear();
  void add(const QPointF& p);
  const QVector<QPointF>& points() const { return points_; }
  // The smallest distance between neighbouring X values, 1 with fewer than
  // two distinct values: the slot a bar stands in.
  double slotWidth() const;

 private:
  XOrder order_;
  QVector<QPointF> points_;
  double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
  bool hasBounds_ = false;
};

// Grid points on a regular grid of distinct x and z values. Image mode shows
// the value of the nearest point as a flat cell; contour mode interpolates
// between the four surrounding points so that the lines run smoothly.
class GridData final : public QwtRasterData {
 public:
  explicit GridData(bool interpolate) : interpolate_(interpolate) {}

  double value(double x, double z) const override;
  QRectF pixelHint(const QRectF& area) const override;

  void clear();
  void add(const GridPoint& p);
  const QVector<GridPoint>& points() const { return points_; }
  // The range of the values (y) the grid holds; empty when it holds none.
  double minValue() const { return minValue_; }
  double maxValue() const { return maxValue_; }
  bool isEmpty() const { return points_.isEmpty(); }

 private:
  void rebuild() const;
  void updateIntervals();
  double cellWidth() const { return gapX_ > 0 ? gapX_ : 1.0; }
  double cellHeight() const { return gapZ_ > 0 ? gapZ_ : 1.0; }

  bool interpolate_;
  QVector<GridPoint> points_;
  double minValue_ = 0, maxValue_ = 0;
  // The distinct x and z values, sorted, and their smallest spacing.
  std::vector<double> xs_, zs_;
  double gapX_ = 0, gapZ_ = 0;
  // The dense table of values, rebuilt lazily after points were added.
  mutable bool dirty_ = false;
  mutable std::vector<double> cells_;
};

}  // namespace vk
