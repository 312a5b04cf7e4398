#include "ui/WrappedText.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace vk {

namespace {

// Wide enough for a summary's first line before the window gives it a width.
constexpr int kPreferredWidth = 480;

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
  if (width != keptWidth_) {
    keptWidth_ = width;
    keptHeight_ = 0;
  }
  keptHeight_ = std::max(keptHeight_, height);
  return keptHeight_;
}

QSize WrappedText::sizeHint() const { return {kPreferredWidth, heightForWidth(kPreferredWidth)}; }

QSize WrappedText::minimumSizeHint() const { return {0, fontMetrics().height()}; }

// Another font lays the text out anew, at a height of its own.
void WrappedText::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::FontChange) return;
  laidOutWidth_ = -1;
  keptWidth_ = -1;
  updateGeometry();
}

void WrappedText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawStaticText(0, 0, laidOut(width()));
}

}  // namespace vk
