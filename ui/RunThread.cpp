#include "ui/RunThread.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <exception>

namespace vk {

namespace {

// How many operations may wait before the run waits for the window: a run
// that draws faster than the window paints must not fill the memory.
constexpr std::size_t kMaxQueued = 1 << 14;
// The run hands its operations over at least this often, and whenever this
// many are waiting: each hand-over wakes the window's thread, which costs it
// more than playing a few thousand weeks' progress.
constexpr std::size_t kBatch = 4096;
constexpr std::chrono::milliseconds kHandOverEvery(10);
// The clock is asked whether that time has come at the first operation
// after a hand-over and then at every so many, not at each: a run gives a
// few every microsecond.
constexpr std::size_t kClockEvery = 16;
// A turn of playing leaves the window's other events their turn after this.
constexpr qint64 kPlaySliceMs = 25;

// Thrown from the week's progress report when Stop was pressed.
struct StopPressed {};

}  // namespace

RunThread::RunThread(Display& window, std::function<void(RunEnd, const QString&)> finished)
    : window_(window), finished_(std::move(finished)) {}

RunThread::~RunThread() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    dropping_ = true;
  }
  stopRequested_ = true;
  roomFreed_.notify_all();
  join();
}

void RunThread::start(std::function<void(Display&)> run, bool graph) {
  join();
  graph_ = graph;
  stopRequested_ = false;
  running_ = true;
  batch_.clear();
  nextHandOver_ = std::chrono::steady_clock::now();
  thread_ = std::thread([this, run = std::move(run)] { execute(run); });
}

void RunThread::join() {
  if (thread_.joinable()) thread_.join();
}

void RunThread::execute(const std::function<void(Display&)>& run) {
  Operation end{Operation::End};
  try {
    run(*this);
    end.whole = static_cast<int>(RunEnd::Completed);
  } catch (const StopPressed&) {
    end.whole = static_cast<int>(RunEnd::Stopped);
  } catch (const std::exception& e) {
    end.whole = static_cast<int>(RunEnd::Failed);
    end.text = e.what();
  }
  push(std::move(end));
}

// ---- the run's side ----

void RunThread::push(Operation op) {
  const bool last = op.kind == Operation::End;
  batch_.push_back(std::move(op));
  // Handed over in batches: waking the window for every operation would
  // cost more than playing it.
  if (!last && batch_.size() < kBatch &&
      (batch_.size() % kClockEvery != 1 || std::chrono::steady_clock::now() < nextHandOver_))
    return;
  handOver(last);
}

void RunThread::handOver(bool last) {
  nextHandOver_ = std::chrono::steady_clock::now() + kHandOverEvery;
  std::unique_lock<std::mutex> hold(mutex_);
  // The end is never held back: the window waits for it.
  if (!last) roomFreed_.wait(hold, [this] { return dropping_ || queue_.size() < kMaxQueued; });
  if (dropping_) return batch_.clear();
  for (Operation& op : batch_) queue_.push_back(std::move(op));
  batch_.clear();
  if (playPosted_) return;
  playPosted_ = true;
  QMetaObject::invokeMethod(
      this, [this] { playQueued(); }, Qt::QueuedConnection);
}

void RunThread::AppendLog(const std::string& text) { push({Operation::Log, 0, 0, text, {}}); }
void RunThread::Warn(const std::string& text) { push({Operation::Warning, 0, 0, text, {}}); }

void RunThread::SetWeekProgress(int percent) {
  // Called before each week: the week before it is complete.
  if (stopRequested_) throw StopPressed{};
  push({Operation::WeekProgress, percent});
}

void RunThread::SetPathProgress(int percent) { push({Operation::PathProgress, percent}); }
void RunThread::ClearActualSeries() { push({Operation::ClearActual}); }
void RunThread::AddActualPoint(int week, double rate) { push({Operation::ActualPoint, week, rate}); }
void RunThread::RedrawRateChart() { push({Operation::RedrawRate}); }
void RunThread::ClearSimulationSeries() { push({Operation::ClearSimulation}); }
void RunThread::AddSimulationPoint(int week, double rate) { push({Operation::SimulationPoint, week, rate}); }

void RunThread::ShowWeights(const double* means, int n) {
  push({Operation::Weights, n, 0, {}, std::vector<double>(means, means + n)});
}

void RunThread::ShowSupplyDemand(int ndiv, const double* supply, const double* demand) {
  const int levels = 2 * ndiv + 1;
  std::vector<double> values(supply, supply + levels);
  values.insert(values.end(), demand, demand + levels);
  push({Operation::SupplyDemand, ndiv, 0, {}, std::move(values)});
}

// ---- the window's side ----

void RunThread::playQueued() {
  QElapsedTimer slice;
  slice.start();
  for (;;) {
    std::deque<Operation> batch;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (queue_.empty() || slice.elapsed() >= kPlaySliceMs) {
        // What is left is played in the next turn.
        playPosted_ = !queue_.empty();
        if (playPosted_)
          QMetaObject::invokeMethod(
              this, [this] { playQueued(); }, Qt::QueuedConnection);
        return;
      }
      batch.swap(queue_);
    }
    roomFreed_.notify_all();
    for (const Operation& op : batch) play(op);
  }
}

void RunThread::play(const Operation& op) {
  switch (op.kind) {
    case Operation::Log:
      return window_.AppendLog(op.text);
    case Operation::Warning:
      return window_.Warn(op.text);
    case Operation::WeekProgress:
      return window_.SetWeekProgress(op.whole);
    case Operation::PathProgress:
      return window_.SetPathProgress(op.whole);
    case Operation::ClearActual:
      return window_.ClearActualSeries();
    case Operation::ActualPoint:
      return window_.AddActualPoint(op.whole, op.real);
    case Operation::RedrawRate:
      return window_.RedrawRateChart();
    case Operation::ClearSimulation:
      return window_.ClearSimulationSeries();
    case Operation::SimulationPoint:
      return window_.AddSimulationPoint(op.whole, op.real);
    case Operation::Weights:
      return window_.ShowWeights(op.values.data(), op.whole);
    case Operation::SupplyDemand:
      return window_.ShowSupplyDemand(op.whole, op.values.data(), op.values.data() + (op.values.size() / 2));
    case Operation::End:
      join();
      running_ = false;
      finished_(static_cast<RunEnd>(op.whole), QString::fromStdString(op.text));
      return;
  }
}

}  // namespace vk
