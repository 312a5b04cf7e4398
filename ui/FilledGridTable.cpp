#include "ui/FilledGridTable.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStaticText>
#include <QStyleOption>
#include <QStyledItemDelegate>

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

// A cell of text alone, neither selected nor current, is drawn as its text in
// the place the style gives it: the style measures the text's size, lays it
// out and shapes it twice over for each cell. Every other cell is the
// style's.
class PlainTextDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QWidget* view = option.widget;
    const QStyle* style = view ? view->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QRect room = option.rect.adjusted(margin, 0, -margin, 0);
    const QString shown = index.data(Qt::DisplayRole).toString();
    if (!isTextAlone(option, index) || shown.contains('\n')) return QStyledItemDelegate::paint(painter, option, index);
    const QStaticText& text = laidOut(shown, option.font);
    // A text too long for its cell is the style's to shorten.
    if (text.size().width() > room.width()) return QStyledItemDelegate::paint(painter, option, index);
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    const Qt::Alignment flags(alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter));
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                               : QPalette::Inactive;
    painter->save();
    painter->setPen(option.palette.color(group, QPalette::Text));
    painter->setFont(option.font);
    painter->drawStaticText(placeOf(text.size(), flags, option.direction, room), text);
    painter->restore();
  }

 private:
  // Where the style's text layout puts a line of this size: the line's
  // height, rounded, is placed whole; across, the line keeps its fraction.
  static QPointF placeOf(QSizeF size, Qt::Alignment flags, Qt::LayoutDirection direction, const QRect& room) {
    const QRect line = QStyle::alignedRect(direction, flags, size.toSize(), room);
    const Qt::Alignment across = QStyle::visualAlignment(direction, flags) & Qt::AlignHorizontal_Mask;
    qreal x = room.left();
    if (across & Qt::AlignRight)
      x = room.left() + room.width() - size.width();
    else if (across & Qt::AlignHCenter)
      x = room.left() + (room.width() - size.width()) / 2;
    return {x, qreal(line.top())};
  }

  // The cells of a table of numbers repeat few texts, and a cell is painted
  // again and again as rows are added and scrolled.
  const QStaticText& laidOut(const QString& text, const QFont& font) const {
    if (font != cachedFont_ || cache_.size() > 4096) {
      cache_.clear();
      cachedFont_ = font;
    }
    auto it = cache_.find(text);
    if (it == cache_.end()) {
      QStaticText laid(text);
      laid.setTextFormat(Qt::PlainText);
      laid.prepare(QTransform(), font);
      it = cache_.insert(text, laid);
    }
    return *it;
  }

  mutable QHash<QString, QStaticText> cache_;
  mutable QFont cachedFont_;

  static bool isTextAlone(const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) return false;
    for (int role : {Qt::DecorationRole, Qt::CheckStateRole, Qt::BackgroundRole, Qt::ForegroundRole, Qt::FontRole})
      if (index.data(role).isValid()) return false;
    return true;
  }
};

}  // namespace

FilledGridTable::FilledGridTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
  // The grid keeps its place between the cells, but the view draws no line
  // into it: paintEvent fills it.
  setGridStyle(Qt::NoPen);
  setItemDelegate(new PlainTextDelegate(this));
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
