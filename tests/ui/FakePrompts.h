#pragma once
// Answers the windows' questions in place of the user and records what they
// asked and showed; and a scratch working directory for one test.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include "ui/UserPrompts.h"

namespace vk::testing {

class FakePrompts : public UserPrompts {
 public:
  bool overwriteAnswer = true;
  int overwriteQuestions = 0;
  EarlierRunAnswer earlierAnswer = EarlierRunAnswer::No;
  // What the question about an earlier run's files said; empty if not asked.
  QString earlierText, earlierFolder;
  // The answer to confirm(), and the questions it was asked.
  bool confirmAnswer = false;
  QStringList questions;
  QStringList errors;
  QStringList notices;
  // What the choosers return ("" for cancel), and what they were given.
  QString folderAnswer, fileAnswer;
  QString folderTitle, folderRoot, fileTitle, fileStartDir;
  QList<QPair<QString, QString>> fileFilters;

  bool confirmOverwrite(QWidget*) override {
    ++overwriteQuestions;
    return overwriteAnswer;
  }
  EarlierRunAnswer confirmOverwriteEarlier(QWidget*, const QString& earlier, const QString& folder) override {
    ++overwriteQuestions;
    earlierText = earlier;
    earlierFolder = folder;
    return earlierAnswer;
  }
  bool confirm(QWidget*, const QString&, const QString& question) override {
    questions << question;
    return confirmAnswer;
  }
  void showError(QWidget*, const QString& message) override { errors << message; }
  void showNotice(QWidget*, const QString& message) override { notices << message; }
  QString chooseFolder(QWidget*, const QString& title, const QString& root) override {
    folderTitle = title;
    folderRoot = root;
    return folderAnswer;
  }
  QString chooseFile(QWidget*, const QString& title, const QString& startDir,
                     const QList<QPair<QString, QString>>& filters) override {
    fileTitle = title;
    fileStartDir = startDir;
    fileFilters = filters;
    return fileAnswer;
  }
};

// A fresh directory made the working directory for the test's lifetime.
class ScratchDir {
 public:
  ScratchDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~ScratchDir() { QDir::setCurrent(previous_); }

  QString path() const { return QDir(dir_.path()).canonicalPath(); }
  QString file(const QString& name) const { return path() + "/" + name; }

  void write(const QString& name, const QString& text) const {
    QDir().mkpath(QFileInfo(file(name)).path());
    QFile f(file(name));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
  }
  QString read(const QString& name) const {
    QFile f(file(name));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }
  bool exists(const QString& name) const { return QFileInfo::exists(file(name)); }
  // The demo's input files, copied in.
  void copyDemo() const {
    for (const QString& name : QDir(VELQUIN_DEMO_DIR).entryList(QDir::Files))
      QFile::copy(QString(VELQUIN_DEMO_DIR) + "/" + name, file(name));
  }

 private:
  QTemporaryDir dir_;
  QString previous_;
};

}  // namespace vk::testing
