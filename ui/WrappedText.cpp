#include "ui/WrappedText.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace vk {

namespace {

// Wide enough for a summary's first line before the window gives it a width.
constexpr int kPreferredWidth = 480;
constexpr int kKeptWidths = 64;

}  // namespace

WrappedText::WrappedText(QWidget* parent) : QWidget(parent) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  lines_.setTextFormat(Qt::PlainText);
  lines_.setPerformanceHint(QStaticText::AggressiveCaching);
}

void WrappedText::setText(const QString& text) {
  if (text == text_) return;
  const int before = heightForWidth(width());
  text_ = text;
  // The laid-out text keeps '\n' as a line's end only as a line separator.
  QString separated = text;
  separated.replace('\n', QChar::LineSeparator);
  lines_.setText(separated);
  laidOutWidth_ = -1;
  if (heightForWidth(width()) != before) updateGeometry();
  update();
}

const QStaticText& WrappedText::laidOut(int width) const {
  if (width != laidOutWidth_) {
    lines_.setTextWidth(std::max(1, width));
    lines_.prepare(QTransform(), font());
    laidOutWidth_ = width;
  }
  return lines_;
}

int WrappedText::heightForWidth(int width) const {
  const int height =
      text_.isEmpty() ? fontMetrics().height() : static_cast<int>(std::ceil(laidOut(width).size().height()));
  // A window resized by dragging asks about every width on the way.
  if (keptHeights_.size() > kKeptWidths && !keptHeights_.contains(width)) keptHeights_.clear();
  int& kept = keptHeights_[width];
  kept = std::max(kept, height);
  return kept;
}

QSize WrappedText::sizeHint() const { return {kPreferredWidth, heightForWidth(kPreferredWidth)}; }

QSize WrappedText::minimumSizeHint() const { return {0, fontMetrics().height()}; }

// Another font lays the text out anew, at a height of its own.
void WrappedText::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::FontChange) return;
  laidOutWidth_ = -1;
  keptHeights_.clear();
  updateGeometry();
}

void WrappedText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawStaticText(0, 0, laidOut(width()));
}

}  // namespace vk
