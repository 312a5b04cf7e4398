// velquin-cli analyze --plot and calibrate plot: the windows' charts written
// to files by the command line, without a display.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/Pixels.h"

using vk::testing::countPixels;

namespace {

struct Result {
  int exitCode;
  QString errors;
};

}  // namespace

class PlotCommandTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp;

  // Runs velquin-cli analyze as a batch job would: no display, no platform
  // chosen.
  Result cli(const QStringList& args, const QString& program = VELQUIN_CLI) {
    return command(QStringList{"analyze"} + args + QStringList{"-C", tmp.path(), "--all"}, program);
  }

  Result command(const QStringList& args, const QString& program = VELQUIN_CLI) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("XDG_RUNTIME_DIR");
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(60000)) return {-1, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
  }

  QByteArray head(const QString& name, int n) {
    QFile f(tmp.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
  }

 private Q_SLOTS:
  void initTestCase() {
    const QDir golden(QString(VELQUIN_TEST_DATA) + "/golden/all");
    QVERIFY(QDir(tmp.path()).mkdir("result"));
    for (const QString& name : golden.entryList({"r*.csv", "w*.csv"}, QDir::Files))
      QVERIFY(QFile::copy(golden.filePath(name), tmp.filePath("result/" + name)));
  }

  void writesThePictureOfTheRequestedKind_data() {
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("paths as PNG") << "paths"
                                  << "paths.png" << QByteArray("\x89PNG");
    QTest::newRow("contour as SVG") << "contour"
                                    << "contour.SVG" << QByteArray("<?xml");
    QTest::newRow("weights as PDF") << "weights"
                                    << "weights.pdf" << QByteArray("%PDF-");
    QTest::newRow("facts as SVG") << "facts"
                                  << "facts.svg" << QByteArray("<?xml");
  }

  void writesThePictureOfTheRequestedKind() {
    QFETCH(QString, summary);
    QFETCH(QString, file);
    QFETCH(QByteArray, magic);
    const Result r = cli({summary, "--plot", file});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(head(file, magic.size()), magic);
    QVERIFY(QFileInfo(tmp.filePath(file)).size() > 1000);
    QVERIFY2(r.errors.contains("Drew the chart into " + file), qPrintable(r.errors));
    // A batch job has no runtime directory and needs none.
    QVERIFY2(!r.errors.contains("XDG_RUNTIME_DIR"), qPrintable(r.errors));
  }

  void thePathPictureShowsTheLines() {
    QVERIFY(cli({"paths", "--plot", "lines.png"}).exitCode == 0);
    const QImage image(tmp.filePath("lines.png"));
    QVERIFY(!image.isNull());
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y) & 0xffffff;
        red += p == 0xff0000;
        blue += p == 0x0000ff;
      }
    // "Actual" in red, "Mean" and the band in blue.
    QVERIFY2(red > 200 && blue > 400, qPrintable(QString("%1 red, %2 blue").arg(red).arg(blue)));
  }

  void theFactsPictureShowsChartsAndTable() {
    const Result r = cli({"facts", "--plot", "facts.png"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    const QImage image(tmp.filePath("facts.png"));
    QVERIFY(!image.isNull());
    const int w = image.width() / 2, h = image.height() / 2;
    // The actual lines in red in the two autocorrelation charts and the
    // distribution, the simulated band in the first two, the table in the fourth.
    for (const QRect& q : {QRect(0, 0, w, h), QRect(w, 0, w, h), QRect(0, h, w, h)})
      QVERIFY2(countPixels(image.copy(q), qRgb(255, 0, 0)) > 100,
               qPrintable(QString("quarter at %1,%2").arg(q.x()).arg(q.y())));
    QVERIFY(countPixels(image.copy(0, 0, w, h), qRgb(0, 0, 255)) > 100);
    QVERIFY(countPixels(image.copy(w, h, w, h), qRgb(0, 0, 0)) > 200);
    QVERIFY(QFile::exists(tmp.filePath("result/facts.csv")));
  }

  void anUnknownPictureKindIsRefusedBeforeAnythingIsWritten() {
    QFile::remove(tmp.filePath("result/stat.txt"));
    const Result r = cli({"paths", "--plot", "paths.bmp"});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(r.errors.contains("paths.bmp") && r.errors.contains(".png"), qPrintable(r.errors));
    QVERIFY(!QFile::exists(tmp.filePath("paths.bmp")));
    QVERIFY(!QFile::exists(tmp.filePath("result/stat.txt")));
  }

  void anUnwritablePlaceFailsAfterTheSummary() {
    const Result r = cli({"weights", "--plot", "missing/weights.png"});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(r.errors.contains("missing/weights.png"), qPrintable(r.errors));
    QVERIFY(QFile::exists(tmp.filePath("result/weight.txt")));
  }

  // A calibration folder as calibrate run leaves it: the loss chart's
  // searches, the parameters' colours and the moments' red band and blue fit.
  void theCalibrationPictureShowsTheSearchAndTheFit() {
    QVERIFY(QDir(tmp.path()).mkdir("calibration"));
    const auto write = [&](const QString& name, const QByteArray& text) {
      QFile f(tmp.filePath("calibration/" + name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(text);
    };
    write("calibration.toml", "[estimate]\ndelta = { from = 0.002, to = 0.008 }\n");
    QByteArray evaluations =
        "evaluation,step,generation,candidate,delta,std,loss,status,message\n"
        "0,start,0,0,0.00435,0.02,,done,\n";
    for (int i = 1; i <= 30; ++i)
      evaluations += QByteArray::number(i) + ",search1," + QByteArray::number(i / 6) + "," + QByteArray::number(i % 6) +
                     "," + QByteArray::number(0.002 + 0.0002 * i, 'f', 5) + ",0.0" + QByteArray::number(10 + i) + "," +
                     QByteArray::number(100.0 / i) + ",done,\n";
    evaluations += "31,final,0,0,0.00400,0.015,1,done,\n";
    write("evaluations.csv", evaluations);
    write("report.csv",
          "row,name,value,standard_error,lower_95,upper_95,identified,actual,start,t_ratio\n"
          "parameter,delta,0.004,0.0005,0.003,0.005,yes,,0.00435,\n"
          "moment,std,0.015,,0.011,0.017,,0.014,0.02,0.5\n"
          "fit,loss,1,,,,,,,\n");
    const Result r = command({"calibrate", "plot", tmp.filePath("calibration"), "--plot", tmp.filePath("cal.png")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QVERIFY2(r.errors.contains("Drew 32 evaluations and the estimate's fit"), qPrintable(r.errors));
    const QImage image(tmp.filePath("cal.png"));
    QVERIFY(!image.isNull());
    const int w = image.width() / 2, h = image.height() / 2;
    QVERIFY(countPixels(image.copy(0, 0, w, h), qRgb(70, 110, 200)) > 100);
    QVERIFY(countPixels(image.copy(w, 0, w, h), qRgb(31, 119, 180)) > 100);
    QVERIFY(countPixels(image.copy(0, h, 2 * w, h), qRgb(255, 0, 0)) > 100);
    QVERIFY(countPixels(image.copy(0, h, 2 * w, h), qRgb(0, 0, 255)) > 20);
  }

  void aFolderWithoutACalibrationIsRefusedByName() {
    const Result r = command({"calibrate", "plot", tmp.filePath("result"), "--plot", tmp.filePath("none.png")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errors.contains("result/evaluations.csv"), qPrintable(r.errors));
    QVERIFY(!QFile::exists(tmp.filePath("none.png")));
  }

  void withoutTheDrawingProgramThePlotFailsBeforeAnythingIsWritten() {
    QVERIFY(QDir(tmp.path()).mkdir("alone"));
    const QString alone = tmp.filePath("alone/velquin-cli");
    QVERIFY(QFile::copy(VELQUIN_CLI, alone));
    QFile::setPermissions(alone, QFile::permissions(alone) | QFileDevice::ExeOwner);
    QFile::remove(tmp.filePath("result/stat.txt"));
    const Result r = cli({"paths", "--plot", "alone.png"}, alone);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errors.contains("velquin-plot"), qPrintable(r.errors));
    QVERIFY(!QFile::exists(tmp.filePath("result/stat.txt")));
  }
};

QTEST_MAIN(PlotCommandTest)
#include "PlotCommandTest.moc"
