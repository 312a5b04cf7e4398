#pragma once
// Watches the folder of a sweep under way, away from the window's thread: it
// counts the runs by their marks twice a second and, when a run has ended
// since the last look, makes the results table of the runs so far with the
// experiment's own code, as sweep collect would write it.
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <string>

#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"

class QTimer;

namespace vk {

struct SweepLook {
  RunCounts counts;
  int total = 0;
  std::string table;  // the results table so far; empty when it could not be made
  std::string problem;
};

class SweepMonitor : public QObject {
  Q_OBJECT

 public:
  explicit SweepMonitor(QObject* parent = nullptr);
  // Waits for a look under way.
  ~SweepMonitor() override;

  // Called on the window's thread with each look that found a change.
  void whenSeen(std::function<void(const SweepLook&)> seen) { seen_ = std::move(seen); }
  void watch(std::shared_ptr<const ExperimentPlan> plan, const QString& dir, int intervalMs = 500);
  // One more look after the last: it reports even when nothing changed.
  void finalLook();
  void stopWatching();
  bool watching() const;

 private:
  void look(bool always);

  QTimer* timer_;
  QThreadPool pool_;
  std::shared_ptr<const ExperimentPlan> plan_;
  std::string dir_;
  std::function<void(const SweepLook&)> seen_;
  bool busy_ = false;
  bool pendingFinal_ = false;
  RunCounts last_{-1, -1, -1};
};

}  // namespace vk
