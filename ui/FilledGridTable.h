#pragma once
// A table whose grid lines and frame are filled one-pixel rectangles. The
// view strokes each line of its grid, and the style the frame round it,
// pixel by pixel, which costs a window showing a run more than all the
// table's cells; the filled lines are the same pixels in the same colour, in
// a small part of the time.
#include <QTableWidget>

namespace vk {

class FilledGridTable : public QTableWidget {
 public:
  FilledGridTable(int rows, int columns, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vk
