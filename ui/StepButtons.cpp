#include "ui/StepButtons.h"

#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

#include "io/TextReader.h"

namespace vk {

StepButtons::StepButtons(QLineEdit* buddy, int min, int max, int increment, QWidget* parent)
    : QWidget(parent), buddy_(buddy), min_(min), max_(max), increment_(increment), position_(min) {
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(up_, &QToolButton::clicked, this, &StepButtons::stepUp);
  connect(down_, &QToolButton::clicked, this, &StepButtons::stepDown);
}

void StepButtons::resizeEvent(QResizeEvent*) {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

void StepButtons::setPosition(int position) { position_ = std::clamp(position, min_, max_); }

void StepButtons::step(int direction) {
  // Start from what the field shows, so that a typed number is stepped on.
  int shown;
  if (parseInt(buddy_->text().toStdString(), shown)) setPosition(shown);
  const long long next = static_cast<long long>(position_) + direction * static_cast<long long>(increment_);
  position_ = static_cast<int>(std::clamp<long long>(next, min_, max_));
  buddy_->setText(QString::number(position_));
}

}  // namespace vk
