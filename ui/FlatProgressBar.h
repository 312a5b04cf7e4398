#pragma once
// A progress bar drawn as a plain filled box. A run repaints its two bars
// many times on its own thread; the styled bar's gradients and rounded
// outline cost more than the run's weeks between two paintings, a flat box
// almost nothing.
#include <QProgressBar>

namespace vk {

class FlatProgressBar : public QProgressBar {
 public:
  explicit FlatProgressBar(QWidget* parent = nullptr);
  // Takes the value and leaves the painting to the window's next one:
  // setValue paints the bar at once whenever it moves a pixel, a painting of
  // the whole window for each.
  void setValueUnpainted(int value);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vk
