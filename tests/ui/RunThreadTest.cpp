// The run's thread: the operations reach the window in order with their
// values, Stop ends the run at a week, a failure is handed on with its
// message after everything the run showed before it.
#include <QtTest>

#include <stdexcept>

#include "model/Display.h"
#include "ui/RunThread.h"

using vk::RunEnd;
using vk::RunThread;

namespace {

// The window's side: writes down what it is shown, on which thread.
class Recorder : public vk::Display {
 public:
  QStringList calls;
  bool offThread = false;
  std::function<void()> atFirstWeek;
  void note(const QString& call) {
    if (QThread::currentThread() != qApp->thread()) offThread = true;
    calls << call;
  }
  void AppendLog(const std::string& text) override { note("log " + QString::fromStdString(text)); }
  void Warn(const std::string& text) override { note("warn " + QString::fromStdString(text)); }
  void SetWeekProgress(int percent) override {
    if (atFirstWeek) std::exchange(atFirstWeek, nullptr)();
    note(QString("week %1").arg(percent));
  }
  void SetPathProgress(int percent) override { note(QString("path %1").arg(percent)); }
  void ClearActualSeries() override { note("clear actual"); }
  void AddActualPoint(int week, double rate) override { note(QString("actual %1 %2").arg(week).arg(rate)); }
  void RedrawRateChart() override { note("redraw"); }
  void ClearSimulationSeries() override { note("clear simulation"); }
  bool GraphEnabled() override { return false; }
  void AddSimulationPoint(int week, double rate) override { note(QString("simulation %1 %2").arg(week).arg(rate)); }
  void ShowWeights(const double* means, int n) override {
    QString text = "weights";
    for (int i = 0; i < n; ++i) text += QString(" %1").arg(means[i]);
    note(text);
  }
  void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) override {
    QString text = QString("levels %1").arg(ndiv);
    for (int i = 0; i < 2 * ndiv + 1; ++i) text += QString(" %1/%2").arg(supply[i]).arg(demand[i]);
    note(text);
  }
};

struct Ending {
  bool seen = false;
  RunEnd end = RunEnd::Completed;
  QString failure;
};

// Lets events run until the thread has handed over its end.
void waitFor(const Ending& ending) { QTRY_VERIFY_WITH_TIMEOUT(ending.seen, 20000); }

}  // namespace

class RunThreadTest : public QObject {
  Q_OBJECT

 private slots:
  void everyOperationArrivesInOrderWithItsValuesOnTheWindowsThread() {
    Recorder window;
    Ending ending;
    RunThread thread(window, [&](RunEnd end, const QString& failure) { ending = {true, end, failure}; });
    bool graphSeen = false;
    thread.start(
        [&](vk::Display& d) {
          d.AppendLog("start");
          d.SetPathProgress(0);
          d.ClearActualSeries();
          d.AddActualPoint(3, 1.5);
          d.RedrawRateChart();
          d.ClearSimulationSeries();
          graphSeen = d.GraphEnabled();
          const double means[] = {0.25, -1};
          d.ShowWeights(means, 2);
          double supply[] = {1, 2, 3}, demand[] = {6, 5, 4};
          d.ShowSupplyDemand(1, supply, demand);
          supply[0] = demand[0] = 99;  // the queue holds its own copy
          for (int w = 0; w <= 100; w += 50) d.SetWeekProgress(w);
          d.AddSimulationPoint(4, 2.5);
        },
        true);
    QVERIFY(thread.running());
    waitFor(ending);
    QVERIFY(!thread.running());
    QVERIFY(graphSeen);
    QVERIFY(!window.offThread);
    QCOMPARE(ending.end, RunEnd::Completed);
    QCOMPARE(window.calls, (QStringList{"log start", "path 0", "clear actual", "actual 3 1.5", "redraw",
                                        "clear simulation", "weights 0.25 -1", "levels 1 1/6 2/5 3/4", "week 0",
                                        "week 50", "week 100", "simulation 4 2.5"}));
  }

  void stopEndsTheRunAtTheNextWeek() {
    Recorder window;
    Ending ending;
    RunThread thread(window, [&](RunEnd end, const QString& failure) { ending = {true, end, failure}; });
    window.atFirstWeek = [&] { thread.requestStop(); };
    int weeksBegun = 0;
    thread.start(
        [&](vk::Display& d) {
          for (int w = 0; w < 100000000; ++w) {
            d.SetWeekProgress(w % 101);
            ++weeksBegun;
          }
          d.AppendLog("end");
        },
        false);
    waitFor(ending);
    QCOMPARE(ending.end, RunEnd::Stopped);
    QVERIFY(weeksBegun < 100000000);
    QVERIFY(!window.calls.contains("log end"));
    // Every week the run began was shown, and none after.
    QCOMPARE(window.calls.size(), weeksBegun);
  }

  void aFailureComesAfterWhatTheRunShowedBeforeIt() {
    Recorder window;
    Ending ending;
    RunThread thread(window, [&](RunEnd end, const QString& failure) {
      window.calls << "end";
      ending = {true, end, failure};
    });
    thread.start(
        [](vk::Display& d) {
          d.AppendLog("start");
          throw std::runtime_error("price.txt, line 3: 'x' is no number");
        },
        false);
    waitFor(ending);
    QCOMPARE(ending.end, RunEnd::Failed);
    QCOMPARE(ending.failure, QString("price.txt, line 3: 'x' is no number"));
    QCOMPARE(window.calls, (QStringList{"log start", "end"}));
    // The thread is free for the next run.
    ending = {};
    thread.start([](vk::Display& d) { d.AppendLog("again"); }, false);
    waitFor(ending);
    QCOMPARE(window.calls.last(), QString("end"));
    QCOMPARE(ending.end, RunEnd::Completed);
  }

  void graphIsAnsweredFromTheCheckBoxsLastState() {
    Recorder window;
    Ending ending;
    RunThread thread(window, [&](RunEnd end, const QString& failure) { ending = {true, end, failure}; });
    std::atomic<bool> turnedOff{false};
    bool lastAnswer = true;
    window.atFirstWeek = [&] {
      thread.setGraphEnabled(false);
      turnedOff = true;
    };
    thread.start(
        [&](vk::Display& d) {
          d.SetWeekProgress(0);
          while (!turnedOff) std::this_thread::yield();
          lastAnswer = d.GraphEnabled();
        },
        true);
    waitFor(ending);
    QVERIFY(!lastAnswer);
  }

  void destroyingTheThreadEndsARunThatIsStillGoing() {
    Recorder window;
    std::atomic<int> weeks{0};
    {
      RunThread thread(window, [](RunEnd, const QString&) {});
      thread.start(
          [&](vk::Display& d) {
            for (;;) {
              d.SetWeekProgress(0);
              ++weeks;
            }
          },
          false);
      while (weeks < 10) std::this_thread::yield();
    }
    QVERIFY(weeks >= 10);
  }
};

QTEST_MAIN(RunThreadTest)
#include "RunThreadTest.moc"
