#include "ui/FlatProgressBar.h"

#include <QPainter>

namespace vk {

FlatProgressBar::FlatProgressBar(QWidget* parent) : QProgressBar(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // it covers itself: nothing beneath needs painting
  setTextVisible(false);
}

void FlatProgressBar::setValueUnpainted(int value) {
  if (value == this->value()) return;
  // Without updates the bar cannot paint at once; enabling them again marks
  // it for the next painting.
  setUpdatesEnabled(false);
  setValue(value);
  setUpdatesEnabled(true);
}

void FlatProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect box = rect();
  p.fillRect(box, palette().color(QPalette::Base));
  const int span = maximum() - minimum();
  if (span > 0) {
    const double share = double(value() - minimum()) / span;
    const int filled = static_cast<int>((box.width() - 2) * share + 0.5);
    p.fillRect(QRect(1, 1, filled, box.height() - 2), palette().color(QPalette::Highlight));
  }
  // The outline as four filled edges: the pixels a one-pixel pen would
  // draw, without stroking them one by one.
  const QColor edge = palette().color(QPalette::Mid);
  p.fillRect(QRect(box.left(), box.top(), box.width(), 1), edge);
  p.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), edge);
  p.fillRect(QRect(box.left(), box.top(), 1, box.height()), edge);
  p.fillRect(QRect(box.right(), box.top(), 1, box.height()), edge);
}

}  // namespace vk
