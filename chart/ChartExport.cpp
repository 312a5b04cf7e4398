#include "chart/ChartExport.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgGenerator>

#include <qwt_plot_renderer.h>

#include <cstdio>
#include <cstdlib>

#include "chart/Chart.h"
#include "io/RunError.h"

namespace vk {

namespace {

const int kDotsPerInch = 96;

[[noreturn]] void fail(const QString& path, const QString& reason) {
  throw RunError("Cannot write chart to '" + path.toStdString() + "': " + reason.toStdString());
}

void render(Chart& chart, QPainter& painter, const QRectF& rect) {
  chart.updateAxes();  // a chart never shown has not scaled its axes yet
  // A file leaves the window that tells what the chart shows: it carries
  // the title even when the window hides it.
  const bool hidden = !chart.titleShown();
  if (hidden) chart.setChartTitle(chart.chartTitle(), true);
  // Likewise the caption saying what it was drawn from.
  const bool captionForFile = chart.caption().isEmpty() && !chart.exportCaption().isEmpty();
  if (captionForFile) chart.setCaption(chart.exportCaption());
  QwtPlotRenderer renderer;
  renderer.render(&chart, &painter, rect);
  if (captionForFile) chart.setCaption(QString());
  if (hidden) chart.setChartTitle(chart.chartTitle(), false);
}

QByteArray renderPng(const ChartDrawing& drawing, const QSize& size, const QString& path) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  drawing.draw(painter, QRectF(QPointF(0, 0), size));
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) fail(path, "the image could not be encoded");
  return bytes;
}

QByteArray renderSvg(const ChartDrawing& drawing, const QSize& size, const QString& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(kDotsPerInch);
  svg.setTitle(drawing.title);
  QPainter painter;
  if (!painter.begin(&svg)) fail(path, "the drawing could not be started");
  drawing.draw(painter, QRectF(QPointF(0, 0), size));
  painter.end();
  return bytes;
}

QByteArray renderPdf(const ChartDrawing& drawing, const QSize& size, const QString& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setTitle(drawing.title);
  pdf.setResolution(kDotsPerInch);
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / kDotsPerInch, size.height() * 72.0 / kDotsPerInch),
                            QPageSize::Point, QString(), QPageSize::ExactMatch));
  QPainter painter;
  if (!painter.begin(&pdf)) fail(path, "the document could not be started");
  drawing.draw(painter, QRectF(0, 0, pdf.width(), pdf.height()));
  painter.end();
  return bytes;
}

void writeWhole(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail(path, file.errorString());
  if (file.write(bytes) != bytes.size() || !file.flush()) fail(path, file.errorString());
  file.close();
  if (file.error() != QFileDevice::NoError) fail(path, file.errorString());
}

}  // namespace

QStringList chartFileFormats() { return {"png", "svg", "pdf"}; }

ChartDrawing drawingOf(Chart& chart) {
  return {chart.chartTitle(), [&chart](QPainter& painter, const QRectF& rect) { render(chart, painter, rect); }};
}

void renderChartToFile(Chart& chart, const QString& path, const QSize& size) {
  renderDrawingToFile(drawingOf(chart), path, size);
}

void renderDrawingToFile(const ChartDrawing& drawing, const QString& path, const QSize& size) {
  if (size.width() < 1 || size.height() < 1)
    fail(path, QString("the size %1 x %2 is empty").arg(size.width()).arg(size.height()));
  const QString format = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  if (format == "png")
    bytes = renderPng(drawing, size, path);
  else if (format == "svg")
    bytes = renderSvg(drawing, size, path);
  else if (format == "pdf")
    bytes = renderPdf(drawing, size, path);
  else
    fail(path, "unknown format '" + format + "' (use .png, .svg or .pdf)");
  writeWhole(path, bytes);
}

// ---- offscreen application ----

namespace {

QtMessageHandler previousMessageHandler = nullptr;

// Starting the toolkit looks for a display server's socket in the runtime
// directory and warns when XDG_RUNTIME_DIR is unset, as it is in batch jobs
// and services. A picture drawn off screen needs no such directory, so that
// one warning is dropped; every other message passes on.
void dropRuntimeDirectoryWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) return;
  if (previousMessageHandler)
    previousMessageHandler(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

OffscreenChartApplication::OffscreenChartApplication() {
  static char name[] = "velquin";
  argv_[0] = name;
  argv_[1] = nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  previousMessageHandler = qInstallMessageHandler(dropRuntimeDirectoryWarning);
  app_ = std::make_unique<QApplication>(argc_, argv_);
  qInstallMessageHandler(previousMessageHandler);
}

OffscreenChartApplication::~OffscreenChartApplication() = default;

// ---- dialog ----

ChartExportDialog::ChartExportDialog(QWidget* owner, Chart& chart)
    : ChartExportDialog(owner, drawingOf(chart), chart.size()) {}

ChartExportDialog::ChartExportDialog(QWidget* owner, const ChartDrawing& drawing, const QSize& shownSize)
    : QDialog(owner), drawing_(drawing) {
  setWindowTitle("Export chart");
  setModal(true);

  format_ = new QComboBox;
  format_->addItem("PNG image (*.png)", "png");
  format_->addItem("SVG drawing (*.svg)", "svg");
  format_->addItem("PDF document (*.pdf)", "pdf");

  width_ = new QSpinBox;
  height_ = new QSpinBox;
  for (QSpinBox* box : {width_, height_}) {
    box->setRange(16, 10000);
    box->setSuffix(" px");
  }
  // The chart's own shape, at least 640 pixels wide: a small chart on the
  // screen makes too small a picture.
  const double scale = qMax(1.0, 640.0 / qMax(1, shownSize.width()));
  width_->setValue(qMax(16, qRound(shownSize.width() * scale)));
  height_->setValue(qMax(16, qRound(shownSize.height() * scale)));

  file_ = new QLineEdit;
  const QString base = drawing_.title.isEmpty() ? QString("chart") : drawing_.title;
  QString stem = base.toLower();
  stem.replace(QRegExp("[^a-z0-9]+"), "-");
  file_->setText(QDir::current().filePath(stem + ".png"));
  auto* browse = new QPushButton("Browse...");

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(browse);

  auto* form = new QFormLayout;
  form->addRow("Format", format_);
  form->addRow("Width", width_);
  form->addRow("Height", height_);
  form->addRow("File", fileRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(460, sizeHint().height());

  connect(buttons, &QDialogButtonBox::accepted, this, &ChartExportDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, &ChartExportDialog::browse);
  connect(format_, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ChartExportDialog::formatChosen);
}

QString ChartExportDialog::chosenPath() const {
  // The format box decides the format; the file takes its extension.
  const QString ext = format_->currentData().toString();
  QString path = file_->text().trimmed();
  QFileInfo info(path);
  if (info.suffix().toLower() != ext) {
    if (chartFileFormats().contains(info.suffix().toLower())) path.chop(info.suffix().size() + 1);
    path += "." + ext;
  }
  return path;
}

void ChartExportDialog::formatChosen() {
  if (!file_->text().trimmed().isEmpty()) file_->setText(chosenPath());
}

void ChartExportDialog::browse() {
  const QString path =
      QFileDialog::getSaveFileName(this, "Export chart", chosenPath(), format_->currentText() + ";;All files (*)");
  if (!path.isEmpty()) file_->setText(path);
}

void ChartExportDialog::accept() {
  if (file_->text().trimmed().isEmpty()) {
    QMessageBox::warning(this, windowTitle(), "Choose a file to write the chart to.");
    return;
  }
  const QString path = chosenPath();
  file_->setText(path);
  try {
    renderDrawingToFile(drawing_, path, QSize(width_->value(), height_->value()));
  } catch (const RunError& e) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
    return;
  }
  QDialog::accept();
}

void exportChart(QWidget* owner, Chart& chart) {
  ChartExportDialog dialog(owner, chart);
  dialog.exec();
}

void exportDrawing(QWidget* owner, const ChartDrawing& drawing, const QSize& shownSize) {
  ChartExportDialog dialog(owner, drawing, shownSize);
  dialog.exec();
}

}  // namespace vk
