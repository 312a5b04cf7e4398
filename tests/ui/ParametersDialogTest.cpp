// The parameter dialog: layout, the show step, the preview spans, OK and
// its refusals, the folder and file choosers, and the second page with every
// value, the seed and the comments it makes untrue.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <qwt_plot_curve.h>

#include "FakePrompts.h"
#include "chart/Chart.h"
#include "ui/MainWindow.h"
#include "ui/ParametersDialog.h"
#include "ui/StepButtons.h"

using vk::MainWindow;
using vk::ParametersDialog;
using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

QString prices(int count) {
  QString text;
  for (int w = 1; w <= count; ++w) text += QString::number(4 + w / 1000.0, 'f', 6) + "\n";
  return text;
}

QString para(int minyear, int maxyear, int teachyear, const QString& mode = "all") {
  return QString(
             "0.00435\n20\n0.01088\n0.02176\n0.01538\n100\n%1\n%2\n%3\n0.6\n0.005\n0.2\n0.3\n0.002\n0.1\n10\n5\n%4\n")
      .arg(minyear)
      .arg(maxyear)
      .arg(teachyear)
      .arg(mode);
}

QPair<double, double> span(const vk::LineSeries* s) {
  if (s->points().isEmpty()) return {0, 0};
  return {s->points().first().x(), s->points().last().x()};
}

// A main window and its dialog, the dialog shown (which reads its files).
struct Setup {
  FakePrompts prompts;
  MainWindow form{&prompts};
  ParametersDialog* dialog = new ParametersDialog(&form, form.runFiles, &prompts);
  Setup() { form.setParametersDialog(dialog); }
  void show() { form.openSettings(); }
};

}  // namespace

class ParametersDlgTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void layoutHasEveryControl() {
    Setup s;
    ParametersDialog& d = *s.dialog;
    QCOMPARE(d.windowTitle(), QString("Parameters"));
    // The first page as laid out, the page tabs below it.
    QCOMPARE(d.size(), QSize(591, 292));
    QCOMPARE(d.pageTabs->count(), 2);
    QVERIFY(d.pageTabs->geometry().top() >= 263);
    struct Field {
      QLabel* label;
      const char* caption;
      QLineEdit* field;
      vk::StepButtons* upDown;
      int max, step;
    };
    const Field fields[] = {
        {d.agentsLabel, "Number of agents", d.agentsField, d.agentsStepper, 500, 1},
        {d.startWeekLabel, "Start week", d.startWeekField, d.startWeekStepper, 1000, 10},
        {d.endWeekLabel, "End week", d.endWeekField, d.endWeekStepper, 1000, 10},
        {d.trainingLengthLabel, "Length of training", d.trainingLengthField, d.trainingLengthStepper, 1000, 10},
        {d.simulationTimesLabel, "Simulation times", d.simulationTimesField, d.simulationTimesStepper, 500, 1},
        {d.trainingTimesLabel, "Training times", d.trainingTimesField, d.trainingTimesStepper, 500, 1},
    };
    int top = 16;
    for (const Field& f : fields) {
      QCOMPARE(f.label->text(), QString(f.caption));
      QCOMPARE(f.label->x(), 24);
      QCOMPARE(f.field->geometry(), QRect(136, top, 65, 20));
      QCOMPARE(f.field->text(), QString("0"));
      QCOMPARE(f.upDown->geometry(), QRect(201, top, 16, 20));
      QCOMPARE(f.upDown->minimum(), 0);
      QCOMPARE(f.upDown->maximum(), f.max);
      QCOMPARE(f.upDown->increment(), f.step);
      QCOMPARE(f.upDown->position(), 0);
      top += 24;
    }
    QCOMPARE(d.directoryLabel->text(), QString("Directory"));
    QCOMPARE(d.directoryField->geometry(), QRect(80, 160, 105, 20));
    QVERIFY(d.directoryField->text().isEmpty());
    const std::pair<QPushButton*, std::pair<const char*, QRect>> buttons[] = {
        {d.directoryButton, {"Dir", {192, 160, 25, 25}}},      {d.priceFileButton, {"Price file", {48, 192, 57, 17}}},
        {d.dataFileButton, {"Data file", {128, 192, 57, 17}}}, {d.okButton, {"OK", {207, 228, 75, 25}}},
        {d.cancelButton, {"Cansel", {287, 228, 75, 25}}},
    };
    for (const auto& [button, expected] : buttons) {
      QCOMPARE(button->text(), QString(expected.first));
      QCOMPARE(button->geometry(), expected.second);
    }
    QVERIFY(d.okButton->isDefault());
    QCOMPARE(d.fieldsFrame->geometry(), QRect(8, 8, 217, 209));
    QCOMPARE(d.previewChart->geometry(), QRect(232, 8, 345, 209));
    QCOMPARE(d.previewChart->title().text(), QString("Price"));
    QCOMPARE(d.allPricesSeries->title(), QString("All"));
    QCOMPARE(d.trainingSeries->title(), QString("Training"));
    QCOMPARE(d.forecastSeries->title(), QString("Forecast"));
    QCOMPARE(d.allPricesSeries->curve()->pen(), QPen(Qt::black, 1));
    QCOMPARE(d.trainingSeries->curve()->pen(), QPen(Qt::blue, 2));
    QCOMPARE(d.forecastSeries->curve()->pen(), QPen(Qt::red, 2));
  }

  void showReadsTheDemoWithItsComments() {
    ScratchDir dir;
    dir.copyDemo();
    Setup s;
    s.form.runFiles.resultDir = "run2";
    s.show();
    ParametersDialog& d = *s.dialog;
    QVERIFY(s.prompts.errors.isEmpty());
    QCOMPARE(d.directoryField->text(), QString("run2"));
    QCOMPARE(d.agentsField->text(), QString("100"));
    QCOMPARE(d.startWeekField->text(), QString("53"));
    QCOMPARE(d.endWeekField->text(), QString("261"));
    QCOMPARE(d.trainingLengthField->text(), QString("156"));
    QCOMPARE(d.simulationTimesField->text(), QString("10"));
    QCOMPARE(d.trainingTimesField->text(), QString("5"));
    QCOMPARE(d.parameters.delta, 0.00435);
    QCOMPARE(d.parameters.runMode, std::string("all"));
    QCOMPARE(int(d.previewPrices.size()), 372);
    QCOMPARE(d.allPricesSeries->points().size(), 372);
    // In the run's weeks: line 1 of the price file is week -4.
    QCOMPARE(d.allPricesSeries->points().first().x(), -4.0);
    QCOMPARE(d.allPricesSeries->points().last().x(), 367.0);
    QCOMPARE(span(d.trainingSeries), qMakePair(53.0, 208.0));
    QCOMPARE(span(d.forecastSeries), qMakePair(209.0, 261.0));
    // The spans lie on the "All" line, at the lines the run reads for them.
    QCOMPARE(d.trainingSeries->points().first().y(), d.previewPrices[53 + 4]);
    QCOMPARE(d.trainingSeries->points().last().y(), d.previewPrices[208 + 4]);
    QVERIFY(d.previewChart->axisTitle(QwtPlot::xBottom).text().startsWith("Week"));
    QVERIFY(d.weekWarning->text().isEmpty());
    QCOMPARE(d.priceFileLabel->text(), QString("Price file: price.txt"));
    QCOMPARE(d.dataFileLabel->text(), QString("Data file: data.txt"));
  }

  void previewSpansAreCutToTheFile() {
    ScratchDir dir;
    dir.write("price.txt", prices(500));
    struct Case {
      int minyear, maxyear, teachyear;
      QPair<double, double> training, forecast;
    };
    // Weeks -4 to 495.
    const Case cases[] = {
        {100, 300, 52, {100, 151}, {152, 300}}, {0, 900, 10, {0, 9}, {10, 495}},  // the end cut to the last week
        {490, 495, 10, {490, 495}, {0, 0}},                                       // training reaches the last week
        {100, 120, 52, {100, 151}, {0, 0}},                                       // end before the end of training
        {10, 20, -30, {0, 0}, {10, 20}},  // negative training: every week simulated
        {-10, 5, 3, {0, 0}, {-4, 5}},     // nothing before the first week
    };
    for (const Case& c : cases) {
      dir.write("para.txt", para(c.minyear, c.maxyear, c.teachyear));
      Setup s;
      s.show();
      QCOMPARE(span(s.dialog->trainingSeries), c.training);
      QCOMPARE(span(s.dialog->forecastSeries), c.forecast);
      QVERIFY(s.prompts.errors.isEmpty());
    }
  }

  void typedWeeksRedrawAndAWeekPastTheFileIsRefused() {
    ScratchDir dir;
    dir.write("price.txt", prices(500));
    dir.write("para.txt", para(100, 300, 52));
    const QString before = dir.read("para.txt");
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    d.trainingLengthField->setText("100");
    QCOMPARE(span(d.trainingSeries), qMakePair(100.0, 199.0));
    d.startWeekField->setText("120");
    QCOMPARE(span(d.trainingSeries), qMakePair(120.0, 219.0));
    QVERIFY(d.weekWarning->text().isEmpty());
    // A week past the file: drawn up to the file's end and warned of at once.
    d.endWeekField->setText("501");
    QCOMPARE(span(d.forecastSeries), qMakePair(220.0, 495.0));
    QCOMPARE(d.weekWarning->text(), QString("End week 501 lies past week 495, the last of price.txt."));
    d.applyAndClose();
    QCOMPARE(s.prompts.notices.size(), 1);
    QVERIFY2(s.prompts.notices[0].startsWith("End week 501 lies past week 495"), qPrintable(s.prompts.notices[0]));
    QVERIFY(d.isVisible());
    QCOMPARE(dir.read("para.txt"), before);
    d.endWeekField->setText("495");
    QVERIFY(d.weekWarning->text().isEmpty());
    d.endWeekField->setText("300");

    d.trainingLengthField->setText("");  // cleared before typing a new number
    QCOMPARE(s.prompts.errors, QStringList{"'' is not a valid integer value"});
    QCOMPARE(d.parameters.teachyear, 100);
    d.trainingLengthField->setText("4x");
    QCOMPARE(s.prompts.errors.size(), 2);
    QCOMPARE(s.prompts.errors[1], QString("'4x' is not a valid integer value"));
  }

  void okWritesTheFileInItsOwnFormat() {
    ScratchDir dir;
    dir.copyDemo();
    const QString longMode = "frequency and a mode word that is far too long";
    QString text = dir.read("para.txt");
    text.replace("0.00435 delta", "0.0000041234567 delta").replace("\nall\n", "\n" + longMode + "\n");
    dir.write("para.txt", text);
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    d.agentsField->setText("150");
    d.simulationTimesField->setText("3");
    d.directoryField->setText("run2");
    // The file's delta shown as it is, not as para.txt would round it, and
    // refused: written, it would be 0, which no run takes.
    QCOMPARE(d.valueFields[0]->text(), QString("4.1234567e-06"));
    d.applyAndClose();
    QCOMPARE(s.prompts.errors.size(), 1);
    QVERIFY2(s.prompts.errors[0].startsWith("para.txt, line 1: delta = 0.000004") &&
                 s.prompts.errors[0].contains("written as 0.00000"),
             qPrintable(s.prompts.errors[0]));
    QCOMPARE(dir.read("para.txt"), text);
    QVERIFY(d.isVisible());
    QVERIFY(!dir.exists("run2"));
    s.prompts.errors.clear();
    d.valueFields[0]->setText("0.00001");
    d.applyAndClose();
    QVERIFY2(s.prompts.errors.isEmpty(), qPrintable(s.prompts.errors.join("\n")));
    // Created, and the gaps' comments counting agents of 100 flagged.
    QCOMPARE(s.prompts.notices.size(), 2);
    QCOMPARE(s.prompts.notices[0], QString("Created the result directory 'run2'."));
    QVERIFY(s.prompts.notices[1].contains("\nline 12: "));
    QVERIFY(!d.isVisible());
    QCOMPARE(s.form.runFiles.resultDir, QString("run2"));
    // Each value in its format, the comment after it kept.
    const QStringList values = {"   0.00001", "20",         "   0.01088", "   0.02176", "   0.01538", "150",
                                "53",         "261",        "156",        "   0.60000", "   0.00500", "   0.20000",
                                "   0.30000", "   0.00200", "   0.10000", "3",          "5"};
    const QStringList old = text.split('\n');
    QString expected;
    for (int i = 0; i < values.size(); ++i) expected += values[i] + old[i].mid(old[i].indexOf(' ')) + "\n";
    expected += longMode.left(30) + "\n";
    QCOMPARE(dir.read("para.txt"), expected);
    QVERIFY(dir.read("para.txt").contains("\n150 popsize: number of agents\n"));
  }

  void okRefusesABadFieldAndWritesNothing() {
    ScratchDir dir;
    dir.copyDemo();
    const QString before = dir.read("para.txt");
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    d.agentsField->setText("120");
    d.startWeekField->setText("60");
    d.endWeekField->setText("2.5");  // reported by the change step, then by OK
    d.applyAndClose();
    QCOMPARE(s.prompts.errors,
             QStringList({"'2.5' is not a valid integer value", "'2.5' is not a valid integer value"}));
    QCOMPARE(dir.read("para.txt"), before);
    QVERIFY(d.isVisible());
    QCOMPARE(d.parameters.popsize, 120);  // parsed before the bad field
    QCOMPARE(d.parameters.minyear, 60);
    QCOMPARE(s.form.runFiles.resultDir, QString("result"));
  }

  void okNeverWritesParametersThatWereNotRead() {
    ScratchDir dir;
    dir.write("price.txt", prices(10));
    Setup s;
    s.show();  // no para.txt at all
    QCOMPARE(s.prompts.errors.size(), 1);
    QVERIFY2(s.prompts.errors[0].contains("para.txt"), qPrintable(s.prompts.errors[0]));
    s.dialog->applyAndClose();
    QVERIFY(!dir.exists("para.txt"));
    QCOMPARE(s.prompts.notices.size(), 1);
    QVERIFY(s.dialog->isVisible());

    // A file that fails half-way is kept as it is, and its read values shown.
    const QString broken = "0.1\n20\n0.1\n0.1\n0.1\n77\n53\n2.5\n";
    dir.write("para.txt", broken);
    s.dialog->hide();
    s.show();
    QCOMPARE(s.dialog->agentsField->text(), QString("77"));
    QVERIFY(s.prompts.errors.last().contains("2.5"));
    s.dialog->applyAndClose();
    QCOMPARE(dir.read("para.txt"), broken);
    QCOMPARE(s.prompts.notices.size(), 2);
  }

  void aMissingPriceFileStillReadsTheParameters() {
    ScratchDir dir;
    dir.copyDemo();
    QFile::remove("price.txt");
    Setup s;
    s.show();
    QCOMPARE(s.prompts.errors.size(), 1);
    QVERIFY2(s.prompts.errors[0].contains("price.txt"), qPrintable(s.prompts.errors[0]));
    QCOMPARE(s.dialog->agentsField->text(), QString("100"));
    QVERIFY(s.dialog->allPricesSeries->points().isEmpty());
    QVERIFY(s.dialog->trainingSeries->points().isEmpty());
    s.dialog->applyAndClose();  // the parameters were read: OK may write them
    QVERIFY(!s.dialog->isVisible());
    QCOMPARE(s.prompts.notices, QStringList{"Created the result directory 'result'."});
  }

  void aFileThatCannotBeCreatedKeepsTheDialogOpen() {
    ScratchDir dir;
    dir.copyDemo();
    Setup s;
    s.show();
    QFile::remove("para.txt");
    QDir().mkdir("para.txt");  // in the way of the file
    s.dialog->directoryField->setText("elsewhere");
    s.dialog->applyAndClose();
    QCOMPARE(s.prompts.errors.size(), 1);
    QVERIFY2(s.prompts.errors[0].contains("para.txt"), qPrintable(s.prompts.errors[0]));
    QVERIFY(s.dialog->isVisible());
    QCOMPARE(s.form.runFiles.resultDir, QString("result"));
  }

  void canselWritesNothingAndTheNextShowingRereads() {
    ScratchDir dir;
    dir.copyDemo();
    const QString before = dir.read("para.txt");
    Setup s;
    s.show();
    s.dialog->agentsField->setText("3");
    s.dialog->cancelButton->click();
    QVERIFY(!s.dialog->isVisible());
    QCOMPARE(dir.read("para.txt"), before);
    s.show();
    QCOMPARE(s.dialog->agentsField->text(), QString("100"));
  }

  void choosersStoreTheirNamesAndLeaveTheWorkingDirectory() {
    ScratchDir dir;
    dir.copyDemo();
    QDir().mkpath("run2");
    QDir().mkpath("inputs");
    dir.write("inputs/p2.txt", prices(20));
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;

    s.prompts.folderAnswer = dir.file("run2");
    d.chooseDirectory();
    QCOMPARE(d.directoryField->text(), QString("run2"));
    QCOMPARE(s.prompts.folderTitle, QString("Seclect directory."));
    QCOMPARE(s.prompts.folderRoot, dir.path());
    s.prompts.folderAnswer.clear();  // cancelled
    d.chooseDirectory();
    QCOMPARE(d.directoryField->text(), QString("run2"));
    QCOMPARE(s.form.runFiles.resultDir, QString("result"));  // only OK hands it over

    s.prompts.fileAnswer = dir.file("inputs/p2.txt");
    d.choosePriceFile();
    QCOMPARE(d.chosenFiles().priceFileName, QString("inputs/p2.txt"));
    QCOMPARE(d.priceFileLabel->text(), QString("Price file: inputs/p2.txt"));
    QCOMPARE(s.form.runFiles.priceFileName, QString("price.txt"));  // taken at OK only
    QCOMPARE(int(d.previewPrices.size()), 20);
    QCOMPARE(s.prompts.fileStartDir, dir.path());
    QCOMPARE(s.prompts.fileTitle, QString("Choose the price file"));
    const QList<QPair<QString, QString>> filters = {{"Text (*.txt) ", "*.txt"}, {" All files ", "*"}};
    QCOMPARE(s.prompts.fileFilters, filters);

    s.prompts.fileAnswer = dir.file("data.txt");
    d.chooseDataFile();
    QCOMPARE(s.prompts.fileTitle, QString("Choose the data file"));
    QCOMPARE(d.chosenFiles().dataFileName, dir.file("data.txt"));
    QVERIFY(d.dataFileLabel->toolTip().endsWith("data.txt"));
    QCOMPARE(s.form.runFiles.dataFileName, QString("data.txt"));
    QCOMPARE(QDir::currentPath(), dir.path());

    // Cansel undoes the choice; the next showing starts from the main
    // window's names again.
    d.discardAndClose();
    QCOMPARE(s.form.runFiles.priceFileName, QString("price.txt"));
    QCOMPARE(s.form.runFiles.dataFileName, QString("data.txt"));
    s.show();
    QCOMPARE(d.priceFileLabel->text(), QString("Price file: price.txt"));
    QCOMPARE(int(d.previewPrices.size()), 372);

    // OK takes the chosen files.
    s.prompts.fileAnswer = dir.file("inputs/p2.txt");
    d.choosePriceFile();
    // Weeks the 20 prices hold, and an end after the start, as a run needs.
    d.startWeekField->setText("1");
    d.trainingLengthField->setText("5");
    d.endWeekField->setText("15");
    d.applyAndClose();
    QVERIFY(!d.isVisible());
    QCOMPARE(s.form.runFiles.priceFileName, QString("inputs/p2.txt"));
  }
  void secondPageShowsEveryValueAndMirrorsTheFirst() {
    ScratchDir dir;
    dir.copyDemo();
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    QVERIFY(d.agentsField->isVisible());
    QVERIFY(!d.everyValuePage->isVisible());
    d.pageTabs->setCurrentIndex(1);
    QVERIFY(d.everyValuePage->isVisible());
    QVERIFY(!d.agentsField->isVisible());
    QVERIFY(!d.previewChart->isVisible());
    QVERIFY(d.okButton->isVisible());  // OK and Cansel serve both pages
    const QStringList shown = {"0.00435", "20",      "0.01088", "0.02176", "0.01538", "100",     "53", "261", "156",
                               "0.60000", "0.00500", "0.20000", "0.30000", "0.00200", "0.10000", "10", "5"};
    QCOMPARE(int(d.valueFields.size()), 18);
    for (int i = 0; i < shown.size(); ++i) {
      QCOMPARE(d.valueFields[i]->text(), shown[i]);
      QCOMPARE(d.valueLabels[i]->text(), QString(vk::parameterFields()[i].name));
      QVERIFY(d.valueFields[i]->isVisible());
    }
    QCOMPARE(d.valueFields[17], nullptr);
    QCOMPARE(d.modeBox->currentText(), QString("all"));
    QVERIFY(d.seedField->text().isEmpty());
    QVERIFY(d.valueLabels[11]->toolTip().contains("generation gap"));
    QVERIFY(d.commentWarning->text().isEmpty());

    // A value of both pages typed on either shows on both.
    d.valueFields[5]->setText("120");
    QCOMPARE(d.agentsField->text(), QString("120"));
    d.endWeekField->setText("250");
    QCOMPARE(d.valueFields[7]->text(), QString("250"));
    d.pageTabs->setCurrentIndex(0);
    QVERIFY(d.agentsField->isVisible());
    QVERIFY(!d.everyValuePage->isVisible());
  }

  void okWritesEveryValueAndTheSeedThroughTheTable() {
    ScratchDir dir;
    dir.copyDemo();
    QDir().mkdir("result");
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    const QString before = dir.read("para.txt");
    const auto refusedWith = [&](int field, const QString& typed, const QString& message) {
      const QString was = d.valueFields[field]->text();
      d.valueFields[field]->setText(typed);
      d.applyAndClose();
      d.valueFields[field]->setText(was);
      QCOMPARE(s.prompts.errors.size(), 1);
      QVERIFY2(s.prompts.errors[0].contains(message), qPrintable(s.prompts.errors[0]));
      s.prompts.errors.clear();
      QVERIFY(d.isVisible());
      QCOMPARE(dir.read("para.txt"), before);
    };
    refusedWith(9, "1.5", "Parameters: pcross1 = 1.50000 is a probability and must lie in 0..1");
    refusedWith(13, "-0.1", "pmutation2 = -0.10000 is a probability");
    refusedWith(14, "1.2", "gap2 = 1.20000");
    refusedWith(1, "41", "Parameters: ndiv = 41 is outside what a run supports (0..40");
    refusedWith(0, "0", "delta = 0.00000 is outside what a run supports (any value but 0");
    refusedWith(2, "x", "trend1 = 'x' is not a number");
    refusedWith(1, "2.5", "ndiv = '2.5' is not a whole number");
    refusedWith(5, "300", "popsize = 300");  // the first page's stepper goes to 500; a run takes 200
    d.seedField->setText("-3");
    d.applyAndClose();
    QCOMPARE(s.prompts.errors, QStringList{"Seed '-3' is not a whole number 0..9223372036854775807"});
    QCOMPARE(dir.read("para.txt"), before);
    s.prompts.errors.clear();

    const QStringList typed = {"0.005", "10",   "0.02", "0.03", "0.04",  "60",  "60", "250", "100",
                               "0.5",   "0.01", "0.25", "0.4",  "0.003", "0.2", "4",  "2"};
    for (int i = 0; i < typed.size(); ++i) d.valueFields[i]->setText(typed[i]);
    d.modeBox->setCurrentText("write");
    d.seedField->setText("12");
    d.applyAndClose();
    QVERIFY2(s.prompts.errors.isEmpty(), qPrintable(s.prompts.errors.join("\n")));
    QVERIFY(!d.isVisible());
    QCOMPARE(s.form.runFiles.seed, QString("12"));
    const vk::Parameters p = vk::readParameterFile("para.txt");
    QCOMPARE(p.delta, 0.005);
    QCOMPARE(p.ndiv, 10);
    QCOMPARE(p.trend3, 0.04);
    QCOMPARE(p.popsize, 60);
    QCOMPARE(p.minyear, 60);
    QCOMPARE(p.pmutation1, 0.01);
    QCOMPARE(p.gap2, 0.2);
    QCOMPARE(p.simtimes, 4);
    QCOMPARE(p.nsample, 2);
    QCOMPARE(p.runMode, std::string("write"));
    // Every comment stays after its value.
    QVERIFY(dir.read("para.txt").contains("\n   0.01000 pmutation1: mutation probability per weight code"));
    QVERIFY(dir.read("para.txt").startsWith("   0.00500 delta: rate step"));

    // The next showing keeps the seed; emptied, it is the fixed seed again.
    s.show();
    QCOMPARE(d.seedField->text(), QString("12"));
    d.seedField->clear();
    d.applyAndClose();
    QVERIFY(s.form.runFiles.seed.isEmpty());
  }

  void commentsNoLongerTrueAreFlagged() {
    ScratchDir dir;
    dir.copyDemo();
    QDir().mkdir("result");
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    d.agentsField->setText("50");  // on the first page: the gaps' comments count agents of 100
    QVERIFY2(d.commentWarning->text().contains("line 12: 'gap1: generation gap, training weeks (20 agents "
                                               "replaced)' says 20, but popsize 50 x gap1 0.20000 now replaces 10 "
                                               "agents"),
             qPrintable(d.commentWarning->text()));
    QVERIFY(d.commentWarning->text().contains("line 15:"));
    d.agentsField->setText("100");
    QVERIFY(d.commentWarning->text().isEmpty());
    d.trainingLengthField->setText("100");
    QVERIFY2(d.commentWarning->text().contains("says 208, but training now spans weeks 53..152"),
             qPrintable(d.commentWarning->text()));
    d.applyAndClose();
    QVERIFY(!d.isVisible());
    // Written with the comment as it was, and said so.
    QVERIFY(dir.read("para.txt").contains("\n100 teachyear: length of training in weeks (weeks 53..208)\n"));
    QCOMPARE(s.prompts.notices.size(), 1);
    QVERIFY2(s.prompts.notices[0].contains("no longer true") && s.prompts.notices[0].contains("\nline 9: "),
             qPrintable(s.prompts.notices[0]));
  }

  void aResultDirectoryIsCreatedOrRefusedAtOk() {
    ScratchDir dir;
    dir.copyDemo();
    dir.write("taken", "a file\n");
    Setup s;
    s.show();
    ParametersDialog& d = *s.dialog;
    const QString before = dir.read("para.txt");
    for (const QString& bad : {QString("taken"), QString(" ")}) {
      d.directoryField->setText(bad);
      d.applyAndClose();
      QVERIFY(d.isVisible());
    }
    QCOMPARE(s.prompts.errors, QStringList({"The result directory 'taken' is a file, not a directory.",
                                            "Give a result directory: the run writes its files into it."}));
    QCOMPARE(dir.read("para.txt"), before);
    QCOMPARE(s.form.runFiles.resultDir, QString("result"));
    d.directoryField->setText("runs/first");
    d.applyAndClose();
    QVERIFY(!d.isVisible());
    QVERIFY(QFileInfo(dir.file("runs/first")).isDir());
    QCOMPARE(s.prompts.notices, QStringList{"Created the result directory 'runs/first'."});
    QCOMPARE(s.form.runFiles.resultDir, QString("runs/first"));
  }
};

QTEST_MAIN(ParametersDlgTest)
#include "ParametersDialogTest.moc"
