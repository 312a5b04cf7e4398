#include "ui/RunRewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "experiment/ExperimentLock.h"
#include "experiment/RunFolder.h"
#include "io/RunError.h"

namespace vk {

namespace {

std::string fileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

RunRewriter::RunRewriter(const QString& program, QObject* parent)
    : QObject(parent), process_(new CliProcess(program, this)) {
  connect(process_, &CliProcess::ended, this, &RunRewriter::processEnded);
}

RunRewriter::~RunRewriter() {
  // The process ends before its scratch folder goes.
  delete process_;
}

QString RunRewriter::rewritten(const QString& runFolder) {
  const auto found = made_.find(QDir::cleanPath(runFolder));
  if (found == made_.end()) return {};
  const QString result = found->second->path() + "/result";
  bool same = false;
  try {
    same = sameReport(fileName(found->first + "/result"), fileName(result));
  } catch (const RunError&) {
    // A run folder emptied meanwhile has nothing the copy could stand for.
  }
  if (same) return result;
  made_.erase(found);
  return {};
}

void RunRewriter::start(const QString& runFolder) {
  if (running()) throw RunError("The files of another run are being written again; wait for them.");
  auto scratch = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/velquin-run-XXXXXX");
  if (!scratch->isValid()) throw RunError("Cannot make a scratch folder: " + scratch->errorString().toStdString());
  const QString folder = QDir::cleanPath(runFolder);
  QStringList arguments;
  {
    // Read while no sweep, collect or submission owns the experiment.
    const ExperimentLock lock(fileName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath() + "/../..")),
                              "Writing the files of run " + fileName(QFileInfo(folder).fileName()) + " again");
    for (const std::string& word : prepareRerun(fileName(folder), fileName(scratch->path())))
      arguments << QFile::decodeName(word.c_str());
  }
  runFolder_ = folder;
  making_ = std::move(scratch);
  process_->start(arguments << "--quiet");
}

void RunRewriter::processEnded(CommandEnd end, const QString& message) {
  std::unique_ptr<QTemporaryDir> scratch = std::move(making_);
  const QString result = scratch->path() + "/result";
  QString problem;
  if (end != CommandEnd::Completed) {
    problem = message.isEmpty() ? "The run was not made again." : message;
  } else {
    try {
      if (!sameReport(fileName(runFolder_ + "/result"), fileName(result)))
        problem = "Run " + QFileInfo(runFolder_).fileName() +
                  " made again wrote another report than the one the experiment kept: an input may have changed "
                  "since. Its files are not shown as the run's.";
    } catch (const RunError& e) {
      problem = e.what();
    }
  }
  if (problem.isEmpty()) made_[runFolder_] = std::move(scratch);
  emit ended(runFolder_, problem.isEmpty() ? result : QString(), problem);
}

}  // namespace vk
