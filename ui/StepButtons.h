#pragma once
// Up-down buttons bound to a one-line field: each press steps the whole
// number in the field by the increment, within the range and without
// wrapping around, and writes it back into the field (which the field
// reports as a change of its text). The range binds only the buttons: any
// whole number typed into the field stays as typed.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vk {

class StepButtons : public QWidget {
  Q_OBJECT

 public:
  StepButtons(QLineEdit* buddy, int min, int max, int increment, QWidget* parent);

  int position() const { return position_; }
  void setPosition(int position);
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int increment() const { return increment_; }

  void stepUp() { step(+1); }
  void stepDown() { step(-1); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void step(int direction);

  QLineEdit* buddy_;
  QToolButton* up_;
  QToolButton* down_;
  int min_, max_, increment_;
  int position_;
};

}  // namespace vk
