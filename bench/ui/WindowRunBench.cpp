// The cost of showing a run: the demo run inside the main window, with
// "Graph" checked and unchecked, against the same run headless. Prints the
// times and the ratios (Graph off twice: after a run with Graph, and after
// one without), and how much of the window's processor time its
// own thread took (painting, the log, the Errors table, the notes at the
// end); the rest is the run's thread. The window runs on the offscreen platform unless
// QT_QPA_PLATFORM names another; a PNG path as the argument saves the window
// as it looks after the last run with "Graph" checked.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "model/Display.h"
#include "run/RunDriver.h"
#include "ui/MainWindow.h"
#include "ui/UserPrompts.h"

namespace {

const int kRounds = 7;

class AlwaysYes : public vk::UserPrompts {
 public:
  bool confirmOverwrite(QWidget*) override { return true; }
  void showError(QWidget*, const QString& message) override {
    std::fprintf(stderr, "error: %s\n", qPrintable(message));
    failed = true;
  }
  bool failed = false;
};

bool copyDir(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QString& name : QDir(from).entryList(QDir::Files))
    if (!QFile::copy(from + "/" + name, to + "/" + name)) return false;
  return true;
}

double cpuMs(clockid_t clock) {
  timespec ts;
  clock_gettime(clock, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Times {
  std::vector<double> wall, cpu, windowThreadCpu;
  int paints = 0;  // the pacer's paintings, over all rounds
  double paintMs = 0;
};

// Wall-clock time, and the processor time of the whole program, which the
// other programs of a busy machine do not inflate: the run's thread and the
// window's thread that draws what it shows both count.
void timeMs(Times& times, const std::function<void()>& run) {
  QElapsedTimer t;
  const double cpu0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID), thread0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
  t.start();
  run();
  times.wall.push_back(t.nsecsElapsed() / 1e6);
  times.cpu.push_back(cpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0);
  times.windowThreadCpu.push_back(cpuMs(CLOCK_THREAD_CPUTIME_ID) - thread0);
}

// The fastest of the rounds: the run's own cost, least disturbed by whatever
// else the machine does.
double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QTemporaryDir work;
  if (!work.isValid() || !copyDir(VELQUIN_DEMO_DIR, work.path()) || !QDir(work.path()).mkdir("result")) {
    std::fprintf(stderr, "cannot prepare a copy of the demo in a temporary folder\n");
    return 1;
  }
  QDir::setCurrent(work.path());

  vk::NullDisplay nothing;
  AlwaysYes prompts;
  vk::MainWindow form(&prompts);
  form.show();
  QElapsedTimer waiting;
  waiting.start();
  while (!(form.windowHandle() && form.windowHandle()->isExposed()) && waiting.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!form.windowHandle()->isExposed()) {
    std::fprintf(stderr, "the window was not shown\n");
    return 1;
  }

  // Interleaved rounds, so that a busy spell of the machine hits all of
  // them. A run without Graph is timed twice: right after one with Graph,
  // when it must also clear the charts that run drew, and again after
  // itself, as the runs of someone who leaves Graph off.
  Times headless, graph, noGraph, noGraphAgain;
  // Every run starts after the same idle time: the window idle as a
  // user's is when Start is pressed, so that the run's first picture is
  // painted at once and not merged into the last run's, and the headless
  // run no warmer than the window's.
  const auto settle = [&form] {
    QEventLoop idle;
    QTimer::singleShot(2 * form.pacer().intervalMs(), &idle, &QEventLoop::quit);
    idle.exec();
  };
  const auto windowRun = [&form, &settle](bool graphOn, Times& times) {
    form.graphCheck->setChecked(graphOn);
    settle();
    const int paints = form.pacer().paintCount();
    const double paintMs = form.pacer().paintMs();
    timeMs(times, [&] {
      form.startRun();
      form.waitForRunEnd();
    });
    times.paints += form.pacer().paintCount() - paints;
    times.paintMs += form.pacer().paintMs() - paintMs;
  };
  for (int round = 0; round < kRounds; ++round) {
    settle();
    timeMs(headless, [&] { vk::RunSimulation("result", "price.txt", "data.txt", nothing); });
    windowRun(true, graph);
    windowRun(false, noGraph);
    windowRun(false, noGraphAgain);
  }
  if (prompts.failed) return 1;
  if (argc > 1) {
    form.graphCheck->setChecked(true);
    form.startRun();
    form.waitForRunEnd();
    form.grab().save(QString::fromLocal8Bit(argv[1]));
  }

  std::printf("demo run, fastest of %d rounds (platform %s)\n", kRounds, qPrintable(QGuiApplication::platformName()));
  std::printf(
      "                       wall ms   ratio    cpu ms   ratio   window's thread cpu ms   paintings/run  ms/run\n");
  const auto row = [&](const char* name, const Times& t) {
    std::printf("  %-18s %9.1f %7.2f %9.1f %7.2f", name, fastest(t.wall), fastest(t.wall) / fastest(headless.wall),
                fastest(t.cpu), fastest(t.cpu) / fastest(headless.cpu));
    if (&t != &headless)
      std::printf("   %22.1f   %13.1f %7.1f", fastest(t.windowThreadCpu), double(t.paints) / kRounds,
                  t.paintMs / kRounds);
    std::printf("\n");
  };
  row("headless", headless);
  row("window, Graph on", graph);
  row("window, Graph off", noGraph);
  row("  and off again", noGraphAgain);
  std::printf(
      "  (the window may take at most 1.3 times the headless run's processor time with Graph on, 1.1 times with it "
      "off)\n");
  return 0;
}
