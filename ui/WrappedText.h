#pragma once
// A few lines of plain text that wrap at the widget's width, for a summary
// that changes as a run ends. A word-wrapped label lays its text out five
// times for each new text (to find its preferred size, its height, and again
// to paint it); this lays it out once per text and width and paints the
// laid-out lines.
//
// It keeps the height of its longest text at the width it has, so that a
// shorter text, such as a new run's first line, leaves the widgets above it
// where they are: they neither jump as each run starts and ends nor are laid
// out and painted again for it.
#include <QHash>
#include <QStaticText>
#include <QString>
#include <QWidget>

namespace vk {

class WrappedText : public QWidget {
 public:
  explicit WrappedText(QWidget* parent = nullptr);

  const QString& text() const { return text_; }
  // Lines end at '\n' and wrap between words at the widget's width.
  void setText(const QString& text);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The text laid out for `width`, kept until the text or width change.
  const QStaticText& laidOut(int width) const;

  QString text_;
  mutable QStaticText lines_;
  mutable int laidOutWidth_ = -1;
  // The height of the longest text so far at each width the layout asked
  // about; the window's own and the preferred one's are asked in turn.
  mutable QHash<int, int> keptHeights_;
};

}  // namespace vk
