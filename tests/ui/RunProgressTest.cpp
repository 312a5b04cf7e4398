// The run's progress: which path of how many, and the time left at the pace
// so far.
#include <QtTest>

#include "ui/RunProgress.h"

using vk::RunProgress;

class RunProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void aPathBeginsWhereTheWeekPercentageStartsAgain() {
    long long now = 0;
    RunProgress p([&] { return now; });
    p.begin(3);
    QVERIFY(p.week(0));
    QCOMPARE(p.path(), 1);
    for (int w : {10, 60, 100}) p.week(w);
    QCOMPARE(p.path(), 1);
    QVERIFY(p.week(0));  // after 100: the next path
    QCOMPARE(p.path(), 2);
    p.week(70);
    p.week(3);  // below the last: a path too short to reach 100 shown apart
    QCOMPARE(p.path(), 3);
  }

  void theStatusIsShownAnewOnlyEveryQuarterSecondWithinAPath() {
    long long now = 0;
    int clockReadings = 0;
    RunProgress p([&] {
      ++clockReadings;
      return now;
    });
    p.begin(2);
    QVERIFY(p.week(1));
    now = 249;
    QVERIFY(!p.week(2));
    now = 250;
    QVERIFY(p.week(3));
    // The weeks at the same percentage, thousands a second, neither show
    // the status nor read the clock.
    now = 900;
    const int readings = clockReadings;
    for (int week = 0; week < 100; ++week) QVERIFY(!p.week(3));
    QCOMPARE(clockReadings, readings);
    QVERIFY(p.week(4));
  }

  void theTimeLeftFollowsThePaceSoFar() {
    long long now = 0;
    RunProgress p([&] { return now; });
    p.begin(4);
    p.week(50);
    now = 500;
    QCOMPARE(p.msLeft(), -1LL);  // too early to tell
    QCOMPARE(p.status(), std::string("Path 1 of 4, time left not yet known"));
    now = 2000;
    p.week(100);
    p.week(0);
    p.week(50);
    // One and a half paths of four in 2 s: 2.5 paths to go take 3.33 s.
    QCOMPARE(p.msLeft(), 3333LL);
    QCOMPARE(p.status(), std::string("Path 2 of 4, 0:03 left"));
    p.end();
    QCOMPARE(p.status(), std::string());
  }

  void aRunOfUnknownLengthNamesOnlyThePath() {
    long long now = 0;
    RunProgress p([&] { return now; });
    p.begin(0);
    p.week(10);
    now = 5000;
    QCOMPARE(p.status(), std::string("Path 1, time left not yet known"));
  }

  void clockTimesHaveMinutesAndSecondsAndHoursWhenNeeded() {
    QCOMPARE(vk::clockTime(0), std::string("0:00"));
    QCOMPARE(vk::clockTime(61499), std::string("1:01"));
    QCOMPARE(vk::clockTime(61500), std::string("1:02"));
    QCOMPARE(vk::clockTime(3723000), std::string("1:02:03"));
  }
};

QTEST_MAIN(RunProgressTest)
#include "RunProgressTest.moc"
