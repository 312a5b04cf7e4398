#pragma once
// A sweep or a calibration started from a window: a velquin-cli command in a
// process of its own, so that the window drives the very code of the command
// line (the plan, the folder lock, the local pool, the tables) and what it
// starts writes the bytes the same command from a shell writes. The pool
// forks itself for every run; a fork of the window's process, with its
// toolkit's threads, would not be safe, a fork of velquin-cli is.
//
// The process leads a process group of its own with every run it forks, so
// that Stop ends them all at once. Stopped runs are neither done nor failed:
// the same command started again resumes. After a stop a second command may
// run once the whole group has gone (a sweep's collect, which writes the
// table of what finished).
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class QProcess;

namespace vk {

enum class CommandEnd { Completed, Failed, Stopped };

class CliProcess : public QObject {
  Q_OBJECT

 public:
  // program: velquin-cli's file.
  explicit CliProcess(const QString& program, QObject* parent = nullptr);
  // Ends a command under way, as Stop does, and waits for it.
  ~CliProcess() override;

  // Runs velquin-cli with the arguments; after a stop, then with afterStop
  // unless it is empty.
  void start(const QStringList& arguments, const QStringList& afterStop = {});
  // Ends every run under way; ended(Stopped) follows once afterStop ended.
  void stop();
  bool running() const { return busy_; }
  const QString& program() const { return program_; }

 signals:
  // message: what velquin-cli said on its error output, when it failed.
  void ended(vk::CommandEnd end, const QString& message);

 private:
  void commandFinished(int exitCode, bool crashed);
  void waitForGroup(int waitedMs);
  void runAfterStop();
  void afterStopFinished();
  void finish(CommandEnd end, const QString& message);
  QString errorsOf(QProcess* process) const;
  void endGroup(QProcess* process);

  QString program_;
  QStringList afterStop_;
  QProcess* command_ = nullptr;
  QProcess* after_ = nullptr;
  pid_t group_ = 0;  // the process group Stop ended
  bool busy_ = false;
  bool stopping_ = false;
};

}  // namespace vk
