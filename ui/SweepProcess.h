#pragma once
// A sweep started from a window: velquin-cli sweep run in a process of its
// own, so that the window drives the very experiment code of the command line
// (its plan, folder lock, local pool and results table) and a sweep started
// here writes the bytes one started from a shell writes. The pool forks
// itself for every run; a fork of the window's process, with its toolkit's
// threads, would not be safe, a fork of velquin-cli is.
//
// The process leads a process group of its own with the runs it forks, so
// that Stop ends them all at once. Stopped runs are neither done nor failed:
// the same sweep started again resumes as the command does. After a stop the
// results table is collected again (velquin-cli sweep collect), so that it
// counts what finished.
#include <QObject>
#include <QString>

#include <sys/types.h>

class QProcess;

namespace vk {

enum class SweepEnd { Completed, Failed, Stopped };

class SweepProcess : public QObject {
  Q_OBJECT

 public:
  // program: velquin-cli's file.
  explicit SweepProcess(const QString& program, QObject* parent = nullptr);
  // Ends a sweep under way, as Stop does, and waits for it.
  ~SweepProcess() override;

  // Runs the description into dir, `jobs` runs at a time; replace as
  // sweep run --replace.
  void start(const QString& description, const QString& dir, int jobs, bool replace);
  // Ends every run under way; ended(Stopped) follows once the table is written.
  void stop();
  bool running() const { return busy_; }
  const QString& program() const { return program_; }

 signals:
  // message: what velquin-cli said on its error output, when it failed.
  void ended(vk::SweepEnd end, const QString& message);

 private:
  void sweepFinished(int exitCode, bool crashed);
  void waitForGroup(int waitedMs);
  void collectTable();
  void collectFinished();
  void finish(SweepEnd end, const QString& message);
  QString errorsOf(QProcess* process) const;
  void endGroup(QProcess* process);

  QString program_;
  QString dir_;
  QProcess* sweep_ = nullptr;
  QProcess* collect_ = nullptr;
  pid_t group_ = 0;  // the process group Stop ended
  bool busy_ = false;
  bool stopping_ = false;
};

}  // namespace vk
