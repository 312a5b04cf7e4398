#include "ui/SweepMonitor.h"

#include <QTimer>

#include <exception>

namespace vk {

namespace {

bool sameCounts(const RunCounts& a, const RunCounts& b) {
  return a.done == b.done && a.failed == b.failed && a.pending == b.pending;
}

}  // namespace

SweepMonitor::SweepMonitor(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
  pool_.setMaxThreadCount(1);
  connect(timer_, &QTimer::timeout, this, [this] { look(false); });
}

SweepMonitor::~SweepMonitor() { pool_.waitForDone(); }

void SweepMonitor::watch(std::shared_ptr<const ExperimentPlan> plan, const QString& dir, int intervalMs) {
  plan_ = std::move(plan);
  dir_ = dir.toStdString();
  last_ = {-1, -1, -1};
  timer_->start(intervalMs);
  look(true);
}

bool SweepMonitor::watching() const { return timer_->isActive(); }

void SweepMonitor::stopWatching() { timer_->stop(); }

void SweepMonitor::finalLook() {
  timer_->stop();
  if (busy_)
    pendingFinal_ = true;
  else
    look(true);
}

void SweepMonitor::look(bool always) {
  if (busy_ || !plan_) return;
  busy_ = true;
  const RunCounts last = last_;
  pool_.start([this, plan = plan_, dir = dir_, last, always] {
    SweepLook seen;
    seen.total = static_cast<int>(plan->runs.size());
    bool changed = always;
    try {
      seen.counts = countRuns(*plan, dir);
      changed = changed || !sameCounts(seen.counts, last);
      if (changed) seen.table = experimentTables(*plan, dir, false).results;
    } catch (const std::exception& e) {
      // A run folder emptied for its rerun while it was read: the next look sees it whole.
      seen.problem = e.what();
    }
    QMetaObject::invokeMethod(
        this,
        [this, seen, changed] {
          busy_ = false;
          if (changed && seen.problem.empty()) last_ = seen.counts;
          if (changed && seen_) seen_(seen);
          if (pendingFinal_) {
            pendingFinal_ = false;
            look(true);
          }
        },
        Qt::QueuedConnection);
  });
}

}  // namespace vk
