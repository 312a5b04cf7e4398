#include "ui/CliProcess.h"

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

CliProcess::CliProcess(const QString& program, QObject* parent) : QObject(parent), program_(program) {}

CliProcess::~CliProcess() {
  for (QProcess* process : {command_, after_}) {
    if (!process || process->state() == QProcess::NotRunning) continue;
    process->disconnect(this);
    endGroup(process);
    process->waitForFinished(10000);
  }
}

void CliProcess::start(const QStringList& arguments, const QStringList& afterStop) {
  if (busy_) return;
  busy_ = true;
  stopping_ = false;
  afterStop_ = afterStop;
  delete command_;
  command_ = new GroupLeader(this);
  connect(command_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
          [this](int code, QProcess::ExitStatus status) { commandFinished(code, status == QProcess::CrashExit); });
  connect(command_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
      finish(CommandEnd::Failed, "Cannot start " + program_ + ": " + command_->errorString());
  });
  command_->start(program_, arguments);
}

void CliProcess::stop() {
  if (!busy_ || stopping_ || !command_ || command_->state() != QProcess::Running) return;
  stopping_ = true;
  endGroup(command_);
}

void CliProcess::endGroup(QProcess* process) {
  const qint64 pid = process->processId();
  if (pid <= 0) return;
  group_ = static_cast<pid_t>(pid);
  ::kill(-group_, SIGTERM);
}

QString CliProcess::errorsOf(QProcess* process) const {
  return QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
}

void CliProcess::commandFinished(int exitCode, bool crashed) {
  if (!busy_) return;
  if (!stopping_) {
    finish(exitCode == 0 && !crashed ? CommandEnd::Completed : CommandEnd::Failed, errorsOf(command_));
    return;
  }
  // The runs it forked end a moment after it; until the last has, the
  // folder's lock is held and no other command could take it.
  waitForGroup(0);
}

void CliProcess::waitForGroup(int waitedMs) {
  const bool groupLeft = ::kill(-group_, 0) != 0 && errno == ESRCH;
  if (!groupLeft && waitedMs < 10000) {
    QTimer::singleShot(20, this, [this, waitedMs] { waitForGroup(waitedMs + 20); });
    return;
  }
  if (!groupLeft) ::kill(-group_, SIGKILL);
  runAfterStop();
}

void CliProcess::runAfterStop() {
  if (afterStop_.isEmpty()) {
    finish(CommandEnd::Stopped, QString());
    return;
  }
  delete after_;
  after_ = new QProcess(this);
  connect(after_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, [this] { afterStopFinished(); });
  connect(after_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
      finish(CommandEnd::Stopped, "Stopped; " + afterStop_.join(' ') + " could not start: " + after_->errorString());
  });
  after_->start(program_, afterStop_);
}

void CliProcess::afterStopFinished() {
  // A sweep's collect exits 1 when runs failed: the table is written all the same.
  finish(CommandEnd::Stopped, errorsOf(after_));
}

void CliProcess::finish(CommandEnd end, const QString& message) {
  if (!busy_) return;
  busy_ = false;
  stopping_ = false;
  emit ended(end, message);
}

}  // namespace vk
