#include "ui/SweepProcess.h"

#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QTimer>

#include <cerrno>

namespace vk {

namespace {

// A process that leads a group of its own, with every run it forks.
class GroupLeader : public QProcess {
 public:
  using QProcess::QProcess;

 protected:
  void setupChildProcess() override { ::setpgid(0, 0); }
};

}  // namespace

SweepProcess::SweepProcess(const QString& program, QObject* parent) : QObject(parent), program_(program) {}

SweepProcess::~SweepProcess() {
  for (QProcess* process : {sweep_, collect_}) {
    if (!process || process->state() == QProcess::NotRunning) continue;
    process->disconnect(this);
    endGroup(process);
    process->waitForFinished(10000);
  }
}

void SweepProcess::start(const QString& description, const QString& dir, int jobs, bool replace) {
  if (busy_) return;
  busy_ = true;
  stopping_ = false;
  dir_ = dir;
  delete sweep_;
  sweep_ = new GroupLeader(this);
  QStringList arguments{"sweep", "run", description, "--out", dir, "--jobs", QString::number(jobs)};
  if (replace) arguments << "--replace";
  connect(sweep_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
          [this](int code, QProcess::ExitStatus status) { sweepFinished(code, status == QProcess::CrashExit); });
  connect(sweep_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
      finish(SweepEnd::Failed, "Cannot start " + program_ + ": " + sweep_->errorString());
  });
  sweep_->start(program_, arguments);
}

void SweepProcess::stop() {
  if (!busy_ || stopping_ || !sweep_ || sweep_->state() != QProcess::Running) return;
  stopping_ = true;
  endGroup(sweep_);
}

void SweepProcess::endGroup(QProcess* process) {
  const qint64 pid = process->processId();
  if (pid <= 0) return;
  group_ = static_cast<pid_t>(pid);
  ::kill(-group_, SIGTERM);
}

QString SweepProcess::errorsOf(QProcess* process) const {
  return QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
}

void SweepProcess::sweepFinished(int exitCode, bool crashed) {
  if (!busy_) return;
  if (!stopping_) {
    finish(exitCode == 0 && !crashed ? SweepEnd::Completed : SweepEnd::Failed, errorsOf(sweep_));
    return;
  }
  // The runs it forked end a moment after it; until the last has, the
  // folder's lock is held and the table could not be collected.
  waitForGroup(0);
}

void SweepProcess::waitForGroup(int waitedMs) {
  const bool groupLeft = ::kill(-group_, 0) != 0 && errno == ESRCH;
  if (!groupLeft && waitedMs < 10000) {
    QTimer::singleShot(20, this, [this, waitedMs] { waitForGroup(waitedMs + 20); });
    return;
  }
  if (!groupLeft) ::kill(-group_, SIGKILL);
  collectTable();
}

void SweepProcess::collectTable() {
  delete collect_;
  collect_ = new QProcess(this);
  connect(collect_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, [this] { collectFinished(); });
  connect(collect_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
      finish(SweepEnd::Stopped, "Stopped; the results table could not be written: " + collect_->errorString());
  });
  collect_->start(program_, {"sweep", "collect", dir_, "--quiet"});
}

void SweepProcess::collectFinished() {
  // collect exits 1 when runs failed: the table is written all the same.
  const QString errors = errorsOf(collect_);
  finish(SweepEnd::Stopped, errors);
}

void SweepProcess::finish(SweepEnd end, const QString& message) {
  if (!busy_) return;
  busy_ = false;
  stopping_ = false;
  emit ended(end, message);
}

}  // namespace vk
