#pragma once
// Writes the files of an experiment's run that kept only its summaries again,
// for the viewer and the analysis windows to read. The run is made once more
// by its own command, the first line of its log, in velquin-cli off the
// window's thread, but in a scratch folder of this program's and never in the
// experiment: a rerun cut short in the run's folder would leave a report that
// a collect reads before the kept one. The experiment folder is only read,
// while no sweep owns it, and a made run is shown only when its report is
// the one the experiment kept. The scratch folders last as long as the
// program, so a run is made again once.
#include <QObject>
#include <QString>

#include <map>
#include <memory>

#include "ui/CliProcess.h"

class QTemporaryDir;

namespace vk {

class RunRewriter : public QObject {
  Q_OBJECT

 public:
  // program: velquin-cli's file.
  explicit RunRewriter(const QString& program, QObject* parent = nullptr);
  // Ends a rerun under way and removes the scratch folders.
  ~RunRewriter() override;

  // The result folder made for the run's folder; empty when none was made,
  // or when the run's kept report has changed since (the experiment was run
  // again), which drops the folder made.
  QString rewritten(const QString& runFolder);
  // Starts making the run of runFolder (DIR/runs/<id>) again. A RunError
  // when it cannot start: a sweep owns the experiment folder, the log names
  // no run, another rerun is under way.
  void start(const QString& runFolder);
  bool running() const { return process_->running(); }

 signals:
  // resultDir: the folder written, when the rerun gave the kept report;
  // otherwise empty, and problem says why.
  void ended(const QString& runFolder, const QString& resultDir, const QString& problem);

 private:
  void processEnded(CommandEnd end, const QString& message);

  CliProcess* process_;
  QString runFolder_;
  std::unique_ptr<QTemporaryDir> making_;
  std::map<QString, std::unique_ptr<QTemporaryDir>> made_;
};

}  // namespace vk
