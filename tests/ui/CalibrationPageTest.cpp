// The calibration page: a description made in its form, written as the
// hand-written file would be and read by the command line's reader, a file
// the form cannot show whole said so, a refusal shown before anything
// starts; a calibration started from the form and shown as it ends, its
// estimate table, and the estimate written into a para.txt through the
// parameter table with every comment kept; and the form beside the charts.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "calibration/CalibrationDescription.h"
#include "chart/CalibrationView.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "tests/ui/FakePrompts.h"
#include "ui/CalibrationForm.h"
#include "ui/CalibrationPage.h"
#include "ui/ExperimentsWindow.h"

using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

// Short runs (12 agents, weeks 53..90, three paths), a comment on some lines.
const char* const kParameters =
    "0.00435 delta, the price step\n6\n0.01088\n0.02176\n0.01538\n12 agents\n53\n90\n20\n0.6\n0.02\n0.5\n"
    "0.3\n0.01\n0.25 gap2, set to 0.25 after the pilot\n3\n2\nwrite\n";

// Two parameters, two moments, two seeds and two generations of six: the
// form's layout, as a researcher would write it by hand.
const char* const kCalibration =
    "inputs = \"in\"\nmode = \"write\"\n\n[estimate]\ndelta = { from = 0.003, to = 0.006 }\n"
    "gap2 = { from = 0.1, to = 0.4 }\n\n[moments]\nuse = [\"std\", \"acf_abs_1\"]\nweights = \"diagonal\"\n\n"
    "[replications]\nseeds = 2\n\n[search]\nmethod = \"cmaes\"\nbudget = 12\nseed = 1\n";

void tick(QListWidget* list, const QString& name) {
  list->findItems(name, Qt::MatchExactly).front()->setCheckState(Qt::Checked);
}

}  // namespace

class CalibrationPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ScratchDir> scratch;
  std::unique_ptr<FakePrompts> prompts;
  std::unique_ptr<vk::CalibrationPage> page;

  QStringList lines(const QString& name) { return scratch->read(name).split('\n'); }

  // The form filled as a user would for kCalibration.
  void fillForm(vk::CalibrationForm* form) {
    form->inputs.inputsField->setText(scratch->file("in"));
    form->inputs.modeBox->setCurrentText("write");
    form->addEstimateRow({"delta", "0.003", "0.006"});
    form->addEstimateRow({"gap2", "0.1", "0.4"});
    tick(form->momentList, "acf_abs_1");
    tick(form->momentList, "std");
    form->weightsBox->setCurrentText("diagonal");
    form->seedsField->setText("2");
    form->budgetBox->setValue(12);
    form->searchSeedField->setText("1");
  }

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

  void aDescriptionMadeInTheFormIsTheHandWrittenOne() {
    fillForm(page->form);
    page->descriptionField->setText(scratch->file("made.toml"));
    QVERIFY(page->saveDescription());
    QVERIFY2(prompts->errors.isEmpty(), qPrintable(prompts->errors.join("\n")));
    QCOMPARE(scratch->read("made.toml"), QString(kCalibration));
    // The command line's reader takes it as it takes the hand-written file.
    const vk::CalibrationDescription made = vk::readCalibrationDescription(scratch->file("made.toml").toStdString());
    const vk::CalibrationDescription hand =
        vk::readCalibrationDescription(scratch->file("calibration.toml").toStdString());
    QCOMPARE(made.moments, hand.moments);
    QCOMPARE(made.estimate.size(), hand.estimate.size());
    for (std::size_t i = 0; i < made.estimate.size(); ++i) {
      QCOMPARE(made.estimate[i].name, hand.estimate[i].name);
      QCOMPARE(made.estimate[i].from, hand.estimate[i].from);
      QCOMPARE(made.estimate[i].to, hand.estimate[i].to);
    }
    QCOMPARE(made.seeds, hand.seeds);
    QCOMPARE(made.weights, hand.weights);
    QCOMPARE(made.budget, hand.budget);

    // Opened into another page's form and saved again: the same bytes.
    vk::CalibrationPage other(*prompts, VELQUIN_CLI);
    other.descriptionField->setText(scratch->file("calibration.toml"));
    QVERIFY(other.openDescription());
    QCOMPARE(other.form->estimateTable->rowCount(), 2);
    QCOMPARE(other.form->momentList->item(0)->text(), QString("std"));
    QCOMPARE(other.form->momentList->item(1)->text(), QString("acf_abs_1"));
    QVERIFY(!other.form->note->isVisible() && other.form->note->text().isEmpty());
    other.descriptionField->setText(scratch->file("again.toml"));
    QVERIFY(other.saveDescription());
    QCOMPARE(scratch->read("again.toml"), QString(kCalibration));
    QVERIFY(prompts->questions.isEmpty());
  }

  // Moments keep the order the file gives them, not the table's.
  void anOpenedDescriptionKeepsItsMomentsOrder() {
    scratch->write("order.toml", QString(kCalibration).replace("[\"std\", \"acf_abs_1\"]", "[\"acf_abs_1\", \"std\"]"));
    page->descriptionField->setText(scratch->file("order.toml"));
    QVERIFY(page->openDescription());
    page->descriptionField->setText(scratch->file("order-again.toml"));
    QVERIFY(page->saveDescription());
    QCOMPARE(scratch->read("order-again.toml"), scratch->read("order.toml"));
  }

  // Comments and a layout of its own are named on opening; a form left as
  // it was leaves the file alone, and saving a changed one over them asks
  // first; declined, the file stays as it was.
  void aFileTheFormCannotShowWholeIsSaidSo() {
    const QString hand =
        "# pilot of the delta study\n" + QString(kCalibration).replace("budget = 12", "budget = 12  # two generations");
    scratch->write("calibration.toml", hand);
    page->descriptionField->setText(scratch->file("calibration.toml"));
    QVERIFY(page->openDescription());
    QVERIFY(!page->form->note->isHidden());
    QVERIFY2(page->form->note->text().contains("2 line(s)"), qPrintable(page->form->note->text()));
    QVERIFY2(page->form->note->text().contains("line 1 '# pilot of the delta study'"),
             qPrintable(page->form->note->text()));
    QVERIFY2(page->form->note->text().contains("line 18 'budget = 12  # two generations'"),
             qPrintable(page->form->note->text()));
    QCOMPARE(page->form->budgetBox->value(), 12);
    QVERIFY(page->saveDescription());
    QCOMPARE(scratch->read("calibration.toml"), hand);
    QVERIFY(prompts->questions.isEmpty());

    page->form->budgetBox->setValue(18);
    prompts->confirmAnswer = false;
    QVERIFY(!page->saveDescription());
    QCOMPARE(prompts->questions.size(), 1);
    QVERIFY(prompts->questions[0].contains("# pilot of the delta study"));
    QCOMPARE(scratch->read("calibration.toml"), hand);

    prompts->confirmAnswer = true;
    QVERIFY(page->saveDescription());
    QCOMPARE(scratch->read("calibration.toml"), QString(kCalibration).replace("budget = 12", "budget = 18"));
    QVERIFY(page->form->note->isHidden());
  }

  // A form made anew is not saved over a file it was not opened from
  // without asking.
  void aNewFormAsksBeforeReplacingAFile() {
    page->descriptionField->setText(scratch->file("calibration.toml"));
    page->newDescription();
    page->form->inputs.inputsField->setText(scratch->file("in"));
    prompts->confirmAnswer = false;
    QVERIFY(!page->saveDescription());
    QCOMPARE(prompts->questions.size(), 1);
    QCOMPARE(scratch->read("calibration.toml"), QString(kCalibration));
    // Nor does Start run the form's description in its place.
    page->folderField->setText(scratch->file("cal"));
    QVERIFY(!page->startCalibration());
    QCOMPARE(prompts->questions.size(), 2);
    QVERIFY(!page->calibrationRunning());
    QCOMPARE(scratch->read("calibration.toml"), QString(kCalibration));
  }

  // A file named while the form is empty is opened into it and runs as it
  // was written, comments and all.
  void aFileNamedWhileTheFormIsEmptyRunsAsWritten() {
    const QString hand = "# the first try\n" + QString(kCalibration);
    scratch->write("calibration.toml", hand);
    page->descriptionField->setText(scratch->file("calibration.toml"));
    page->folderField->setText(scratch->file("cal"));
    QVERIFY(page->startCalibration());
    QCOMPARE(page->form->estimateTable->rowCount(), 2);
    QDeadlineTimer deadline(120000);
    while (page->calibrationRunning() && !deadline.hasExpired()) QTest::qWait(20);
    QVERIFY2(prompts->errors.isEmpty(), qPrintable(prompts->errors.join("\n")));
    QVERIFY2(page->statusLabel->text().contains("finished"), qPrintable(page->statusLabel->text()));
    QCOMPARE(scratch->read("calibration.toml"), hand);
    QVERIFY(prompts->questions.isEmpty());
  }

  // The command's reader judges the form before anything starts, and its
  // refusal names the line; a value that is no number is never written.
  void aRefusalIsShownBeforeAnythingStarts() {
    fillForm(page->form);
    page->form->estimateTable->item(1, vk::CalibrationForm::ToColumn)->setText("1.4");
    page->descriptionField->setText(scratch->file("made.toml"));
    page->folderField->setText(scratch->file("cal"));
    QVERIFY(!page->startCalibration());
    QVERIFY(!page->calibrationRunning());
    QCOMPARE(prompts->errors.size(), 1);
    QVERIFY2(prompts->errors[0].contains("made.toml, line 6, column 27") && prompts->errors[0].contains("gap2"),
             qPrintable(prompts->errors[0]));
    QVERIFY(!QFileInfo::exists(scratch->file("cal")));

    page->form->estimateTable->item(1, vk::CalibrationForm::ToColumn)->setText("0.4x");
    QVERIFY(!page->saveDescription());
    QVERIFY2(prompts->errors[1].contains("estimate.gap2.to: '0.4x' is not a number"), qPrintable(prompts->errors[1]));
    QVERIFY(!scratch->read("made.toml").contains("0.4x"));
  }

  // At the window's first size the form sits beside the charts, and hidden
  // gives them its width; the page is never taller than the window.
  void theFormLeavesTheChartsTheirRoom() {
    vk::ExperimentsWindow window(nullptr, prompts.get(), VELQUIN_CLI);
    window.tabs->setCurrentWidget(window.calibration);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize first = window.size();
    QVERIFY(window.calibration->minimumSizeHint().height() <= window.calibration->height());
    auto* formScroll = qobject_cast<QScrollArea*>(window.calibration->formPanel);
    QVERIFY(formScroll && formScroll->isVisible());
    QVERIFY(!formScroll->horizontalScrollBar()->isVisible());
    // The charts fit: neither scrolls at the window's first size.
    auto* charts = qobject_cast<QScrollArea*>(window.calibration->panel->parentWidget()->parentWidget());
    QVERIFY(charts);
    QVERIFY(!charts->verticalScrollBar()->isVisible());
    QVERIFY(!charts->horizontalScrollBar()->isVisible());
    const int chartsWidth = window.calibration->panel->width();
    QVERIFY2(chartsWidth > window.width() / 2, qPrintable(QString::number(chartsWidth)));
    // Side by side: the charts start level with the form, not below it.
    const auto top = [&window](QWidget* w) { return w->mapTo(window.calibration, QPoint(0, 0)).y(); };
    QCOMPARE(top(charts), top(formScroll));
    window.calibration->formButton->click();
    QTest::qWait(50);
    QVERIFY(!formScroll->isVisible());
    QVERIFY(window.calibration->panel->width() > chartsWidth + formScroll->minimumWidth() / 2);
    QCOMPARE(window.size(), first);
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
  void aCalibrationStartedFromTheFormIsShownAndItsEstimateTaken() {
    fillForm(page->form);
    page->descriptionField->setText(scratch->file("made.toml"));
    page->folderField->setText(scratch->file("cal"));
    page->paraField->setText(scratch->file("in/para.txt"));
    QVERIFY(page->startCalibration());
    QCOMPARE(scratch->read("made.toml"), QString(kCalibration));
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
