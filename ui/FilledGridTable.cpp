#include "ui/FilledGridTable.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace vk {

namespace {

const QLatin1String kFilledStyle("fusion");

// The default style, but for the table's frame: a one-pixel line of the
// style's outline colour (the window's, darkened) round the table, filled.
class FilledFrameStyle final : public QProxyStyle {
 public:
  FilledFrameStyle() : QProxyStyle(kFilledStyle) {}

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != CE_ShapedFrame || !frame || frame->frameShape != QFrame::StyledPanel || frame->lineWidth != 1 ||
        option->palette.window().style() != Qt::SolidPattern)
      return QProxyStyle::drawControl(element, option, painter, widget);
    const QColor colour = option->palette.color(QPalette::Window).darker(140).lighter(108);
    const QRect ring = option->rect;
    painter->fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), colour);
    painter->fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), colour);
    painter->fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), colour);
    painter->fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), colour);
  }
};

}  // namespace

FilledGridTable::FilledGridTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
  // The grid keeps its place between the cells, but the view draws no line
  // into it: paintEvent fills it.
  setGridStyle(Qt::NoPen);
  // Under another style the frame is that style's own.
  if (style()->objectName() == kFilledStyle) {
    auto* filled = new FilledFrameStyle;
    filled->setParent(this);
    setStyle(filled);
  }
}

// Where the view would draw its lines: under each row and right of each
// column, over the rows and columns there are, within what is repainted.
void FilledGridTable::paintEvent(QPaintEvent* event) {
  QTableWidget::paintEvent(event);
  if (!showGrid() || rowCount() == 0 || columnCount() == 0 || isRightToLeft()) return;
  const QStyleOptionViewItem option = viewOptions();
  const QColor colour =
      QColor::fromRgba(static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
  const int right = horizontalHeader()->length() - horizontalHeader()->offset() - 1;
  const int bottom = verticalHeader()->length() - verticalHeader()->offset() - 1;
  const QRect area = event->rect() & QRect(QPoint(0, 0), QPoint(right, bottom));
  if (area.isEmpty()) return;
  QPainter painter(viewport());
  for (int row = 0; row < rowCount(); ++row) {
    if (isRowHidden(row)) continue;
    const int y = rowViewportPosition(row) + rowHeight(row) - 1;
    if (y >= area.top() && y <= area.bottom()) painter.fillRect(QRect(area.left(), y, area.width(), 1), colour);
  }
  for (int column = 0; column < columnCount(); ++column) {
    if (isColumnHidden(column)) continue;
    const int x = columnViewportPosition(column) + columnWidth(column) - 1;
    if (x >= area.left() && x <= area.right()) painter.fillRect(QRect(x, area.top(), 1, area.height()), colour);
  }
}

}  // namespace vk
