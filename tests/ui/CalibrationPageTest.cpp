// The calibration page: a calibration started from the window and shown as
// it ends, its estimate table, and the estimate written into a para.txt
// through the parameter table with every comment kept.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "chart/CalibrationView.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "tests/ui/FakePrompts.h"
#include "ui/CalibrationPage.h"

using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

// Short runs (12 agents, weeks 53..90, three paths), a comment on some lines.
const char* const kParameters =
    "0.00435 delta, the price step\n6\n0.01088\n0.02176\n0.01538\n12 agents\n53\n90\n20\n0.6\n0.02\n0.5\n"
    "0.3\n0.01\n0.25 gap2, set to 0.25 after the pilot\n3\n2\nwrite\n";

const char* const kCalibration =
    "inputs = \"in\"\nmode = \"write\"\n[estimate]\ndelta = { from = 0.003, to = 0.006 }\n"
    "gap2 = { from = 0.1, to = 0.4 }\n[moments]\nuse = [\"std\", \"acf_abs_1\"]\nweights = \"diagonal\"\n"
    "[replications]\nseeds = 2\n[search]\nmethod = \"cmaes\"\nbudget = 12\nseed = 1\n";

}  // namespace

class CalibrationPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ScratchDir> scratch;
  std::unique_ptr<FakePrompts> prompts;
  std::unique_ptr<vk::CalibrationPage> page;

  QStringList lines(const QString& name) { return scratch->read(name).split('\n'); }

 private Q_SLOTS:
  void init() {
    scratch = std::make_unique<ScratchDir>();
    QVERIFY(QDir().mkpath(scratch->file("in")));
    for (const char* name : {"price.txt", "data.txt", "wdata.txt"})
      QVERIFY(QFile::copy(QString(VELQUIN_DEMO_DIR) + "/" + name, scratch->file(QString("in/") + name)));
    scratch->write("in/para.txt", kParameters);
    scratch->write("calibration.toml", kCalibration);
    prompts = std::make_unique<FakePrompts>();
    page = std::make_unique<vk::CalibrationPage>(*prompts, VELQUIN_CLI);
  }

  void cleanup() {
    page.reset();
    prompts.reset();
    scratch.reset();
  }

  void theEstimateReplacesItsValuesAndKeepsEveryComment() {
    scratch->write("cal/estimate/para.txt", QString(kParameters)
                                                .replace("0.00435 delta, the price step", "0.00512")
                                                .replace("0.25 gap2, set to 0.25 after the pilot", "0.33333")
                                                .replace("\n12 agents\n", "\n40\n"));
    scratch->write("para.txt", kParameters);
    const std::vector<std::string> untrue = vk::writeEstimate(scratch->file("cal").toStdString(), {"delta", "gap2"},
                                                              scratch->file("para.txt").toStdString());
    const QStringList now = lines("para.txt");
    QCOMPARE(now[0], QString("   0.00512 delta, the price step"));
    QCOMPARE(now[14], QString("   0.33333 gap2, set to 0.25 after the pilot"));
    // popsize was not estimated: it stays, as does every other line.
    QCOMPARE(now[5], QString("12 agents"));
    QCOMPARE(now[17], QString("write"));
    // The comment on gap2 states the value the estimate replaced.
    QCOMPARE(untrue.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(untrue[0]).startsWith("line 15:"), untrue[0].c_str());
  }

  void anEstimateThatCannotBeReadLeavesParaTxtAsItWas() {
    scratch->write("para.txt", kParameters);
    QVERIFY_EXCEPTION_THROWN(
        vk::writeEstimate(scratch->file("none").toStdString(), {"delta"}, scratch->file("para.txt").toStdString()),
        vk::RunError);
    scratch->write("cal/estimate/para.txt", QString(kParameters).replace("\n12 agents\n", "\n900\n"));
    try {
      vk::writeEstimate(scratch->file("cal").toStdString(), {"popsize"}, scratch->file("para.txt").toStdString());
      QFAIL("a popsize beyond the run's limit was written");
    } catch (const vk::RunError& e) {
      QVERIFY2(QString(e.what()).contains("popsize = 900"), e.what());
    }
    QCOMPARE(scratch->read("para.txt"), QString(kParameters));
  }

  // The calibration runs in velquin-cli and is drawn from its folder; its
  // estimate goes into para.txt with one button.
  void aCalibrationStartedHereIsShownAndItsEstimateTaken() {
    page->descriptionField->setText(scratch->file("calibration.toml"));
    page->folderField->setText(scratch->file("cal"));
    page->paraField->setText(scratch->file("in/para.txt"));
    QVERIFY(page->startCalibration());
    QCOMPARE(page->startButton->text(), QString("Stop"));
    QDeadlineTimer deadline(120000);
    while (page->calibrationRunning() && !deadline.hasExpired()) QTest::qWait(20);
    QVERIFY(!page->calibrationRunning());
    QVERIFY2(prompts->errors.isEmpty(), qPrintable(prompts->errors.join("\n")));
    QVERIFY2(page->statusLabel->text().contains("finished"), qPrintable(page->statusLabel->text()));
    QCOMPARE(page->estimateTable->rowCount(), 2);
    QCOMPARE(page->estimateTable->item(0, 0)->text(), QString("delta"));
    QCOMPARE(page->estimateTable->item(1, 0)->text(), QString("gap2"));
    QVERIFY(!page->panel->LossChart->itemList().isEmpty());
    QVERIFY(page->takeButton->isEnabled());

    QVERIFY(page->takeEstimate());
    const QStringList estimate = lines("cal/estimate/para.txt");
    const QStringList now = lines("in/para.txt");
    QCOMPARE(now[0].trimmed().split(' ')[0], estimate[0].trimmed().split(' ')[0]);
    QVERIFY2(now[0].endsWith(" delta, the price step"), qPrintable(now[0]));
    QCOMPARE(now[14].trimmed().split(' ')[0], estimate[14].trimmed().split(' ')[0]);
    QCOMPARE(now[5], QString("12 agents"));
  }
};

QTEST_MAIN(CalibrationPageTest)
#include "CalibrationPageTest.moc"
