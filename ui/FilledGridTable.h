#pragma once
// A table whose grid lines and frame are filled one-pixel rectangles and
// whose cells of plain text are drawn as their text alone. The view strokes
// each line of its grid, and the style the frame round it, pixel by pixel,
// and the style lays out each cell's text three times over; the filled lines
// and the text drawn once are the same pixels in the same colours, in a
// small part of the time.
#include <QTableWidget>

namespace vk {

class FilledGridTable : public QTableWidget {
 public:
  FilledGridTable(int rows, int columns, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vk
