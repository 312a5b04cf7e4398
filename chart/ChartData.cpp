#include "chart/ChartData.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vk {

namespace {

const double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Index of the value nearest to v in a sorted, non-empty list.
std::size_t nearestIndex(const std::vector<double>& sorted, double v) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), v);
  if (it == sorted.end()) return sorted.size() - 1;
  if (it == sorted.begin()) return 0;
  const std::size_t i = static_cast<std::size_t>(it - sorted.begin());
  return (v - sorted[i - 1] <= sorted[i] - v) ? i - 1 : i;
}

// The cell i of a sorted list with sorted[i] <= v <= sorted[i + 1], and the
// fraction of the way from sorted[i] to sorted[i + 1]; values outside the
// list are held at its ends.
std::size_t lowerCell(const std::vector<double>& sorted, double v, double& fraction) {
  fraction = 0;
  if (sorted.size() < 2 || v <= sorted.front()) return 0;
  if (v >= sorted.back()) return sorted.size() - 1;
  auto it = std::upper_bound(sorted.begin(), sorted.end(), v);
  const std::size_t i = static_cast<std::size_t>(it - sorted.begin()) - 1;
  fraction = (v - sorted[i]) / (sorted[i + 1] - sorted[i]);
  return i;
}

double smallestGap(const std::vector<double>& sorted) {
  double gap = 0;
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    const double d = sorted[i] - sorted[i - 1];
    if (gap == 0 || d < gap) gap = d;
  }
  return gap > 0 ? gap : 1.0;
}

void insertSortedUnique(std::vector<double>& sorted, double v) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), v);
  if (it == sorted.end() || *it != v) sorted.insert(it, v);
}

// Inserts v and keeps `gap`, the smallest distance between neighbours (0 while
// there is none), up to date: only the new value's own neighbours can lower it.
void insertKeepingGap(std::vector<double>& sorted, double v, double& gap) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), v);
  if (it != sorted.end() && *it == v) return;
  it = sorted.insert(it, v);
  auto consider = [&gap](double d) {
    if (gap == 0 || d < gap) gap = d;
  };
  if (it != sorted.begin()) consider(v - *(it - 1));
  if (it + 1 != sorted.end()) consider(*(it + 1) - v);
}

}  // namespace

// ---- PointStore ----

QRectF PointStore::boundingRect() const {
  if (!hasBounds_) return QRectF(1.0, 1.0, -2.0, -2.0);  // Qwt's "no data"
  return QRectF(minX_, minY_, maxX_ - minX_, maxY_ - minY_);
}

void PointStore::clear() {
  points_.clear();
  hasBounds_ = false;
}

void PointStore::add(const QPointF& p) {
  if (order_ == XOrder::Ascending && !points_.isEmpty() && p.x() < points_.last().x()) {
    auto at =
        std::upper_bound(points_.begin(), points_.end(), p.x(), [](double x, const QPointF& q) { return x < q.x(); });
    points_.insert(at, p);
  } else {
    points_.append(p);
  }
  if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return;
  if (!hasBounds_) {
    minX_ = maxX_ = p.x();
    minY_ = maxY_ = p.y();
    hasBounds_ = true;
    return;
  }
  minX_ = std::min(minX_, p.x());
  maxX_ = std::max(maxX_, p.x());
  minY_ = std::min(minY_, p.y());
  maxY_ = std::max(maxY_, p.y());
}

double PointStore::slotWidth() const {
  std::vector<double> xs;
  xs.reserve(static_cast<std::size_t>(points_.size()));
  for (const QPointF& p : points_) insertSortedUnique(xs, p.x());
  return smallestGap(xs);
}

// ---- GridData ----

void GridData::clear() {
  points_.clear();
  xs_.clear();
  zs_.clear();
  gapX_ = gapZ_ = 0;
  minValue_ = maxValue_ = 0;
  dirty_ = true;
  updateIntervals();
}

void GridData::add(const GridPoint& p) {
  if (points_.isEmpty()) {
    minValue_ = maxValue_ = p.y;
  } else {
    minValue_ = std::min(minValue_, p.y);
    maxValue_ = std::max(maxValue_, p.y);
  }
  points_.append(p);
  insertKeepingGap(xs_, p.x, gapX_);
  insertKeepingGap(zs_, p.z, gapZ_);
  dirty_ = true;
  updateIntervals();
}

void GridData::rebuild() const {
  cells_.assign(xs_.size() * zs_.size(), kNoValue);
  for (const GridPoint& p : points_) {  // a later point replaces an earlier one
    const std::size_t ix = static_cast<std::size_t>(std::lower_bound(xs_.begin(), xs_.end(), p.x) - xs_.begin());
    const std::size_t iz = static_cast<std::size_t>(std::lower_bound(zs_.begin(), zs_.end(), p.z) - zs_.begin());
    cells_[iz * xs_.size() + ix] = p.y;
  }
  dirty_ = false;
}

void GridData::updateIntervals() {
  // The ranges decide the axes at every repaint, so they must be right after
  // each point; only the dense table waits until something is drawn.
  if (points_.isEmpty()) {
    setInterval(Qt::XAxis, QwtInterval());
    setInterval(Qt::YAxis, QwtInterval());
    setInterval(Qt::ZAxis, QwtInterval());
    return;
  }
  double x0 = xs_.front(), x1 = xs_.back(), z0 = zs_.front(), z1 = zs_.back();
  if (!interpolate_) {  // whole cells, centred on their points
    const double hx = cellWidth() / 2, hz = cellHeight() / 2;
    x0 -= hx, x1 += hx, z0 -= hz, z1 += hz;
  }
  setInterval(Qt::XAxis, QwtInterval(x0, x1));
  setInterval(Qt::YAxis, QwtInterval(z0, z1));
  // A flat grid still needs a colour range.
  const double top = maxValue_ > minValue_ ? maxValue_ : minValue_ + 1;
  setInterval(Qt::ZAxis, QwtInterval(minValue_, top));
}

double GridData::value(double x, double z) const {
  if (dirty_) rebuild();
  if (xs_.empty()) return kNoValue;
  const std::size_t nx = xs_.size();
  if (!interpolate_) return cells_[nearestIndex(zs_, z) * nx + nearestIndex(xs_, x)];
  double fx, fz;
  const std::size_t ix = lowerCell(xs_, x, fx), iz = lowerCell(zs_, z, fz);
  const std::size_t ix1 = std::min(ix + 1, nx - 1), iz1 = std::min(iz + 1, zs_.size() - 1);
  const double v00 = cells_[iz * nx + ix], v10 = cells_[iz * nx + ix1];
  const double v01 = cells_[iz1 * nx + ix], v11 = cells_[iz1 * nx + ix1];
  return (1 - fz) * ((1 - fx) * v00 + fx * v10) + fz * ((1 - fx) * v01 + fx * v11);
}

QRectF GridData::pixelHint(const QRectF&) const {
  if (interpolate_) return QRectF();
  if (xs_.empty()) return QRectF();
  // One image pixel per cell: Qt then scales the image up without smoothing,
  // so the cells stay sharp and no border appears between them.
  const double w = cellWidth(), h = cellHeight();
  return QRectF(xs_.front() - w / 2, zs_.front() - h / 2, w, h);
}

}  // namespace vk
