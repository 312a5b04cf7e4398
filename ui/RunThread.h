#pragma once
// A run on a thread of its own, so that the window repaints and answers
// while it executes. The run's display operations are queued in the order the
// run makes them, with copies of their arguments, and played on the window's
// thread into the window's own display: the window sees exactly the calls a
// run on its thread would have made. Only "Graph" is asked across threads,
// and it is answered from the check box's last state.
//
// Stop takes effect at the next week: the run is ended by an exception thrown
// from the week's progress report, so the week under way is completed and
// the path being written stays marked in the directory's lock, as a run that
// was killed leaves it.
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/Display.h"

namespace vk {

enum class RunEnd { Completed, Stopped, Failed };

class RunThread : public QObject, private Display {
  Q_OBJECT

 public:
  // window: where the queued operations are played, on this object's thread.
  // finished: called there after the last of them, with the failure's
  // message when the run ended in one.
  RunThread(Display& window, std::function<void(RunEnd, const QString& failure)> finished);
  // Stops a run still under way and waits for its thread; the operations
  // not yet played are dropped.
  ~RunThread() override;

  // Starts run on the thread; graph is the first answer to GraphEnabled.
  void start(std::function<void(Display&)> run, bool graph);
  void requestStop() { stopRequested_ = true; }
  void setGraphEnabled(bool on) { graph_ = on; }
  bool running() const { return running_; }

 private:
  struct Operation {
    enum Kind {
      Log,
      Warning,
      WeekProgress,
      PathProgress,
      ClearActual,
      ActualPoint,
      RedrawRate,
      ClearSimulation,
      SimulationPoint,
      Weights,
      SupplyDemand,
      End
    };
    Operation(Kind k, int w = 0, double r = 0, std::string t = {}, std::vector<double> v = {})
        : kind(k), whole(w), real(r), text(std::move(t)), values(std::move(v)) {}
    Kind kind;
    int whole = 0;
    double real = 0;
    std::string text;
    std::vector<double> values;
  };

  // The run's side.
  void AppendLog(const std::string& text) override;
  void Warn(const std::string& text) override;
  void SetWeekProgress(int percent) override;
  void SetPathProgress(int percent) override;
  void ClearActualSeries() override;
  void AddActualPoint(int week, double rate) override;
  void RedrawRateChart() override;
  void ClearSimulationSeries() override;
  bool GraphEnabled() override { return graph_; }
  void AddSimulationPoint(int week, double rate) override;
  void ShowWeights(const double* means, int n) override;
  void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) override;
  void push(Operation op);
  void handOver(bool last);
  void execute(const std::function<void(Display&)>& run);

  // The window's side.
  void playQueued();
  void play(const Operation& op);
  void join();

  Display& window_;
  std::function<void(RunEnd, const QString&)> finished_;
  std::thread thread_;
  std::atomic<bool> graph_{true};
  std::atomic<bool> stopRequested_{false};
  bool running_ = false;

  // The run's own: the operations not yet handed over.
  std::vector<Operation> batch_;
  std::chrono::steady_clock::time_point nextHandOver_;

  std::mutex mutex_;
  std::condition_variable roomFreed_;
  std::deque<Operation> queue_;
  bool playPosted_ = false;
  bool dropping_ = false;
};

}  // namespace vk
