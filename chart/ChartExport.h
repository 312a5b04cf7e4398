#pragma once
// Writing a chart to a file: the modal export dialog behind the windows'
// "Save" buttons, and the same rendering without a dialog or a screen for
// programs that write charts straight to files.
//
// Formats: PNG (pixels), SVG and PDF (vector), chosen by the file's
// extension (case-insensitive). Sizes are in pixels; the vector formats take
// them at 96 pixels per inch.
#include <QDialog>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QApplication;
class QPainter;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace vk {

class Chart;

// What an export draws: a chart, or a window's several charts together,
// painted into the rectangle given. The title names the picture (the
// dialog's proposed file name, the SVG and PDF title).
struct ChartDrawing {
  QString title;
  std::function<void(QPainter&, const QRectF&)> draw;
};

// The drawing of one chart.
ChartDrawing drawingOf(Chart& chart);

// Opens the export dialog for the chart, modally over owner, and returns when
// the user has closed it. A failed write is shown in a message box inside the
// dialog, which stays open so that the user can choose another place.
void exportChart(QWidget* owner, Chart& chart);
// The same for a drawing shown on the screen at `shownSize`.
void exportDrawing(QWidget* owner, const ChartDrawing& drawing, const QSize& shownSize);

// Renders the chart as it would appear at that size and writes it to path.
// An unknown extension or a failed write is a RunError naming the file.
// Works on a chart that was never shown; needs a QApplication (see
// OffscreenChartApplication).
void renderChartToFile(Chart& chart, const QString& path, const QSize& size);
void renderDrawingToFile(const ChartDrawing& drawing, const QString& path, const QSize& size);

// The formats by extension, for dialogs and messages: "png", "svg", "pdf".
QStringList chartFileFormats();

// For a program without a window: a QApplication on the "offscreen"
// platform (unless QT_QPA_PLATFORM already names one), so that charts can be
// built and rendered to files without a display. Create one before any Chart.
class OffscreenChartApplication {
 public:
  OffscreenChartApplication();
  ~OffscreenChartApplication();
  OffscreenChartApplication(const OffscreenChartApplication&) = delete;
  OffscreenChartApplication& operator=(const OffscreenChartApplication&) = delete;

 private:
  int argc_ = 1;
  char* argv_[2];
  std::unique_ptr<QApplication> app_;
};

// The dialog itself, open for tests: fill in the fields, then accept().
class ChartExportDialog : public QDialog {
  Q_OBJECT

 public:
  ChartExportDialog(QWidget* owner, Chart& chart);
  ChartExportDialog(QWidget* owner, const ChartDrawing& drawing, const QSize& shownSize);

  QComboBox* formatBox() const { return format_; }
  QSpinBox* widthBox() const { return width_; }
  QSpinBox* heightBox() const { return height_; }
  QLineEdit* fileEdit() const { return file_; }

  // Writes the file; on success closes the dialog, on failure shows the
  // error and stays open.
  void accept() override;

 private:
  void browse();
  void formatChosen();
  QString chosenPath() const;

  ChartDrawing drawing_;
  QComboBox* format_;
  QSpinBox* width_;
  QSpinBox* height_;
  QLineEdit* file_;
};

}  // namespace vk
